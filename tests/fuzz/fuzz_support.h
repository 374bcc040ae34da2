// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What every fuzz target shares: the entry point libFuzzer calls, a scratch
// folder for the files the targets write, and the seams that keep message
// boxes and sleeps out of the run.
#include <QString>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fuzz {

// A folder of this process's own, removed at exit; the same for every input.
const QString& ScratchFolder();

// Writes the bytes as the whole content of `path`; aborts when it can't,
// since a target that silently tests nothing would hide every finding.
void WriteBytes(const QString& path, const std::uint8_t* data, std::size_t size);

// Ends the run with a message when an invariant the program relies on does
// not hold; libFuzzer keeps the input as a crash.
[[noreturn]] void Fail(const char* what);

}  // namespace fuzz
