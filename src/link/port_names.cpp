#include "port_names.h"

#include <cstdlib>

namespace tavelin::link {

std::string PortDeviceName(int commPort)
{
    const std::string number = std::to_string(commPort);
#ifdef _WIN32
    return "\\\\.\\COM" + number;
#else
    const std::string variable = "TAVELIN_COM" + number;
    if (const char* path = std::getenv(variable.c_str()); path && *path)
        return path;
    return "/dev/ttyS" + std::to_string(commPort - 1);
#endif
}

} // namespace tavelin::link
