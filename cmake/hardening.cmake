# SPDX-License-Identifier: MIT
# The hardening flags Debian builds its packages with (dpkg-buildflags):
# checked string and memory functions, stack protection, and a read-only
# relocation table bound at start-up. PIE is the compiler's default here.
# ELF targets only: the Windows cross-build's linker knows no -z options.
# Fortify needs the optimiser, so a Debug build goes without it; the
# sanitizers bring checks of their own and replace the fortified functions.
# -DTAVELIN_HARDENING=OFF leaves them to the packager's flags.
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux" OR TAVELIN_SANITIZE OR NOT TAVELIN_HARDENING)
  return()
endif()
add_compile_options(
  $<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE>
  $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>
  -fstack-protector-strong
  -Wformat -Werror=format-security)
add_link_options(-Wl,-z,relro -Wl,-z,now)
