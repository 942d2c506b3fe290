# The Debian package: `make package` (or cpack -G DEB in the build directory).
# Included from the top level, where CPack must be set up.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavelin)
set(CPACK_PACKAGE_VENDOR "Tavelin")
set(CPACK_PACKAGE_CONTACT "Tavelin maintainers <tavelin@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Moves files between a PC and hand-held terminals over a serial line")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The Qt 6 runtime the programs link (Debian 12's names; the xcb and
# offscreen platform plugins come with libqt6gui6), and the C++ runtime.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6serialport6 (>= 6.4), libstdc++6 (>= 12), libc6 (>= 2.34)")
# The window's Japanese texts need a CJK face; Qt's own captions (context
# menus, standard buttons) come in Japanese with Qt's translations.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, qt6-translations-l10n")
include(CPack)
