#include "cli/Commands.h"
#include "files/PrintableName.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <new>

#include <malloc.h>

using namespace vtt::cli;

int main(int argc, char** argv)
{
    // Every file needs buffers of about the same sizes: keeping freed memory
    // for the next file spares the kernel zeroing fresh pages each time.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 1024 * 1024 * 1024);
    // A closed standard error (a pipe into `head`) is no reason to stop half
    // way: writes to it fail quietly instead.
    std::signal(SIGPIPE, SIG_IGN);
    // Nothing may leave main as an exception: that would abort the program.
    try {
        const std::vector<std::string> args(argv + 1, argv + argc);
        if (args.empty())
            throw UsageError({}, "no command named");
        const std::string& command = args.front();
        const std::vector<std::string> rest(args.begin() + 1, args.end());
        if (command == "-h" || command == "--help" || command == "help") {
            printUsage(rest.empty() ? std::string() : rest.front(), true);
            return 0;
        }
        if (command == "--version") {
            std::puts("vtt " VTT_VERSION);
            return 0;
        }
        if (command == "info") {
            const auto options = parseInfo(rest);
            return options ? runInfo(*options) : 0;
        }
        if (command == "convert") {
            const auto options = parseConvert(rest);
            return options ? runConvert(*options) : 0;
        }
        throw UsageError({}, "unknown command " + command);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "vtt: %s\n", vtt::printableName(error.what()).c_str()); // it may quote an argument
        printUsage(error.command, false);
        return 2;
    } catch (const std::bad_alloc&) {
        std::fputs("vtt: there is not enough memory to go on\n", stderr);
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vtt: %s\n", error.what());
        return 1;
    } catch (...) {
        std::fputs("vtt: stopped by an unknown error\n", stderr);
        return 1;
    }
}
