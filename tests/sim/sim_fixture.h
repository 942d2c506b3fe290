// SPDX-License-Identifier: MIT
// A simulated hand-held on the link rig, and a test that plays the PC with
// frames built by hand and reads the answers through the link layer's own
// receive.
#pragma once

#include "link/frame.h"
#include "support/link_rig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin::sim::testing {

using namespace tavelin::link;

inline Bytes B(std::string_view text) { return Bytes(text.begin(), text.end()); }
inline std::string S(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }
inline std::string Char(std::uint8_t byte) { return std::string(1, static_cast<char>(byte)); }

// A received frame as a test wants to compare it.
struct Answer {
    int rc = -3;
    char kind = 0;
    int digit = -1;
    std::string data;
    bool Is(char k, int d, std::string_view text) const { return rc == 0 && kind == k && digit == d && data == text; }
};

inline std::ostream& operator<<(std::ostream& out, const Answer& a)
{
    return out << "rc=" << a.rc << " kind=" << a.kind << " digit=" << a.digit << " data(" << a.data.size() << ")";
}

// The rig's settings: 19200 bit/s, which keeps the receive limit short.
class SimTest : public ::testing::Test, public tavelin::testing::LinkRig {
protected:
    SimTest()
    {
        config.ids = {1, 2, 3, 7};
        config.storeRoot = root;
    }

    void Start()
    {
        sim = std::make_unique<Simulator>(config);
        sim->SetLogger([this](const std::string& line) { log.push_back(line); });
        sim->Attach(port);
    }

    void Seed(int id, const std::string& name, const std::string& content)
    {
        std::filesystem::create_directories(sim->StoreOf(id));
        std::ofstream(sim->StoreOf(id) / name, std::ios::binary) << content;
    }
    std::string Stored(int id, const std::string& name) const
    {
        std::ifstream in(sim->StoreOf(id) / name, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    // To the hand-held the test is talking to (CurHhtId), unless named.
    void Send(char kind, int digit, std::string_view data, std::string_view id = {})
    {
        port.Write(BuildFrame(kind, id.empty() ? std::string_view(state.CurHhtId) : id, digit, B(data)));
    }
    void SendRaw(const Bytes& bytes) { port.Write(bytes); }

    Answer Recv(int timeoutMs = 500)
    {
        port.SetInTimeout(timeoutMs);
        std::string header;
        Bytes data;
        Answer answer;
        answer.rc = RecvFrameBin(link, header, data);
        if (answer.rc != -3) {
            answer.kind = header[1];
            answer.digit = header[5] - '0';
            answer.data = S(data);
        }
        return answer;
    }

    const Stats& stats() const { return sim->GetStats(); }

    std::filesystem::path root = work.Path() / "hht";
    SimConfig config;
    std::unique_ptr<Simulator> sim;
    std::vector<std::string> log;
};

// 19-character list entries as the hand-held writes them.
inline std::vector<std::pair<std::string, int>> Entries(std::string_view data)
{
    std::vector<std::pair<std::string, int>> entries;
    for (std::size_t at = 0; at + 19 <= data.size(); at += 19) {
        std::string name(data.substr(at, 12));
        name.erase(name.find_last_not_of(' ') + 1);
        entries.emplace_back(name, std::stoi(std::string(data.substr(at + 12, 7))));
    }
    return entries;
}

} // namespace tavelin::sim::testing
