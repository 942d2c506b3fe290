// The device behind COM1..COM4: the Windows device name, or on other systems
// the path in TAVELIN_COMn, else the n-th standard serial device.
#pragma once

#include <string>

namespace tavelin::link {

std::string PortDeviceName(int commPort);

} // namespace tavelin::link
