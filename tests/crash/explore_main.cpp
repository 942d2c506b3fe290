// SPDX-License-Identifier: MIT
// tavelin-crash-explore: reads a record of a run, builds every crash state
// under the model of crash_states.h and checks the promises of promises.h in
// each. Prints the operations, the states explored and the violations, with
// the operations that lead to each kind of violation; exits 1 on any.
//
//   tavelin-crash-explore --root DIR --initial COPY --record FILE --data FOLDER [--log FILE]...
//                         [--leftovers REGEX]
//
// COPY is the root as it was before the run; FOLDER and each log are
// relative to the root; REGEX matches the whole of each path (relative to
// the root) that a later run never takes for data.
#include "crash_states.h"
#include "promises.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using namespace tavelin::crash;

constexpr std::size_t kShownViolations = 5;
constexpr std::size_t kShownOperations = 40;

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<InitialEntry> ReadInitial(const fs::path& copy)
{
    std::vector<InitialEntry> entries;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(copy)) {
        const bool directory = entry.is_directory();
        entries.push_back({entry.path().lexically_relative(copy).generic_string(), directory,
                           directory ? std::string() : ReadAll(entry.path())});
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.path < b.path; });
    return entries;
}

const char* FateName(DataFate fate)
{
    switch (fate) {
    case DataFate::Kept: return "in order";
    case DataFate::Lost: return "unflushed data lost";
    case DataFate::Zeroed: return "unflushed data zeroed";
    }
    return "";
}

void ShowSequence(const RecordedRun& run, const CrashState& state)
{
    std::printf("  crash after operation %zu, %zu of them in order on the disk, %s:\n", state.crashAt, state.prefix,
                FateName(state.unflushedData));
    const std::size_t from = state.crashAt > kShownOperations ? state.crashAt - kShownOperations : 0;
    for (std::size_t j = from; j < state.crashAt; ++j) {
        const Operation& op = run.operations[j];
        const bool dataMissing = op.ChangesData() && state.unflushedData != DataFate::Kept && !state.flushed[j] &&
                                 j + 1 < state.prefix;
        const char mark = !op.ChangesData() && !op.ChangesNames() ? ' '
                          : !state.durable[j]                      ? '-'
                          : !dataMissing                           ? '+'
                          : state.unflushedData == DataFate::Lost  ? '-'
                                                                   : '0';
        std::printf("    %5zu %c %s\n", j + 1, mark, op.Describe().c_str());
    }
}

struct Arguments {
    std::string root, initial, record;
    Promises promises;
};

bool Parse(int argc, char** argv, Arguments& args)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const std::string value = argv[i + 1];
        if (option == "--root")
            args.root = value;
        else if (option == "--initial")
            args.initial = value;
        else if (option == "--record")
            args.record = value;
        else if (option == "--data")
            args.promises.dataFolder = value;
        else if (option == "--log")
            args.promises.logs.push_back(value);
        else if (option == "--leftovers")
            args.promises.leftovers = std::regex(value);
        else
            return false;
    }
    return argc % 2 == 1 && !args.root.empty() && !args.initial.empty() && !args.record.empty() &&
           !args.promises.dataFolder.empty();
}

} // namespace

int main(int argc, char** argv)
{
    Arguments args;
    if (!Parse(argc, argv, args)) {
        std::fprintf(stderr,
                     "usage: %s --root DIR --initial COPY --record FILE --data FOLDER [--log FILE]... "
                     "[--leftovers REGEX]\n",
                     argv[0]);
        return 2;
    }
    const std::vector<InitialEntry> initial = ReadInitial(args.initial);
    const auto run = ReadRecord(ReadAll(args.record), fs::absolute(args.root).generic_string(), initial);
    if (!run) {
        std::fprintf(stderr, "tavelin-crash-explore: %s: %s\n", args.record.c_str(), run.Reason().c_str());
        return 2;
    }
    const FileTree start = InitialTree(initial);
    const PromiseChecker checker(*run, start, args.promises);
    std::size_t violations = 0;
    std::set<std::string> shown;
    const std::size_t states = ForEachCrashState(*run, start, [&](const CrashState& state) {
        for (const std::string& broken : checker.Check(state)) {
            ++violations;
            if (shown.size() < kShownViolations && shown.insert(broken).second) {
                std::printf("violation: %s\n", broken.c_str());
                ShowSequence(*run, state);
            }
        }
    });
    std::printf("operations: %zu, states explored: %zu, violations: %zu\n", run->operations.size(), states,
                violations);
    return violations == 0 ? 0 : 1;
}
