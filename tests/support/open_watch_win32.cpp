// SPDX-License-Identifier: MIT
#include "support/open_watch.h"

namespace tavelin::testing {

OpenWatch::OpenWatch() = default;
OpenWatch::~OpenWatch() = default;
bool OpenWatch::Add(const std::filesystem::path&) { return false; }
std::vector<std::string> OpenWatch::FilesOpened() { return {}; }

} // namespace tavelin::testing
