// The capture sees every line in order, without its newline, lets the
// program handle its own exceptions, and reports the exit code.
#include "debug_capture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Beside(const char* name) {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1) + name;
}

// The speaker's whole run, as the capture must report it.
void ExpectSpeakerRun(const std::string& speaker) {
    CapturedRun run;
    ASSERT_TRUE(RunUnderDebugger(speaker.c_str(), "speaker", &run)) << run.error;
    EXPECT_EQ(run.exitCode, 7u);
    EXPECT_FALSE(run.timedOut);
    // "four" is said the way newer systems say every wide line: lost when
    // any handler but the system's takes the wide exception.
    const std::vector<std::string> expected = {"speaker: one", "speaker: two", "speaker: three",
                                               "speaker: four", ""};
    EXPECT_EQ(run.lines, expected);
}

TEST(DebugCapture, KeepsEveryLineAndTheExitCode) {
    ExpectSpeakerRun(Beside("debug_capture_speaker.exe"));
}

// A program that never ends is ended once no event comes within the limit,
// and the call returns (the test's own time-out catches a hang). Its last
// debug events are consumed: the next run in this thread sees only its own.
TEST(DebugCapture, AProgramThatNeverEndsIsEndedAtTheLimit) {
    const std::string speaker = Beside("debug_capture_speaker.exe");
    CapturedRun run;
    EXPECT_FALSE(RunUnderDebugger(speaker.c_str(), "speaker hang", &run, 1000));
    EXPECT_TRUE(run.timedOut);
    EXPECT_EQ(run.error, static_cast<DWORD>(ERROR_SEM_TIMEOUT));
    EXPECT_EQ(run.lines, std::vector<std::string>{"speaker: hanging"});
    ExpectSpeakerRun(speaker);
}

TEST(DebugCapture, AProgramThatCannotStartIsReported) {
    CapturedRun run;
    EXPECT_FALSE(RunUnderDebugger(Beside("no_such_program.exe").c_str(), "x", &run));
    EXPECT_EQ(run.error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

} // namespace
