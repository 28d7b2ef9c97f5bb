// A child program for the tests of child processes, the same on every platform, so that one test
// runs the same command lines on Linux and on Windows without a shell or system tools:
//   test_child print TEXT...   writes the texts joined by one blank to standard output, with the
//                              two-character sequences \r and \n turned into CR and LF
//   test_child eprint TEXT...  the same on standard error
//   test_child fill N          writes N bytes to standard output
//   test_child exit N          ends with exit code N, writing nothing
//   test_child sleep MS        sleeps MS milliseconds, writing nothing
//   test_child hold MS         starts another test_child that sleeps MS milliseconds with this
//                              one's standard output and error, then sleeps MS milliseconds itself
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

std::string Joined(int argc, char** argv, int first) {
    std::string text;
    for (int i = first; i < argc; ++i) {
        if (i > first) text += ' ';
        for (const char* c = argv[i]; *c; ++c) {
            if (c[0] == '\\' && (c[1] == 'r' || c[1] == 'n')) {
                text += c[1] == 'r' ? '\r' : '\n';
                ++c;
            } else {
                text += *c;
            }
        }
    }
    return text;
}

void SleepMs(const char* text) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atol(text)));
}

// The grandchild goes through the system's command processor, which hands it the standard
// handles of this process: the output pipe of the test stays open while it lives.
void StartSleepingCopy(const std::string& self, const std::string& ms) {
#if defined(_WIN32)
    // cmd /c drops the outer quotes of a line that starts with one.
    const std::string command = "\"\"" + self + "\" sleep " + ms + "\"";
#else
    const std::string command = "'" + self + "' sleep " + ms;
#endif
    std::thread([command] { (void)std::system(command.c_str()); }).detach();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const std::string mode = argv[1];
    if (mode == "print" || mode == "eprint") {
        const std::string text = Joined(argc, argv, 2);
        std::FILE* stream = mode == "print" ? stdout : stderr;
        std::fwrite(text.data(), 1, text.size(), stream);
        return std::fflush(stream) == 0 ? 0 : 1;
    }
    if (argc < 3) return 2;
    if (mode == "fill") {
        const std::string bytes(static_cast<size_t>(std::atol(argv[2])), 'x');
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (mode == "exit") return std::atoi(argv[2]);
    if (mode == "sleep") {
        SleepMs(argv[2]);
        return 0;
    }
    if (mode == "hold") {
        StartSleepingCopy(argv[0], argv[2]);
        SleepMs(argv[2]);
        return 0;
    }
    return 2;
}
