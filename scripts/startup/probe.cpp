// Starts a program and reports, in milliseconds, how long until a block of
// the given colour shows on the X screen. Polls the whole root window every
// two milliseconds through shared memory, so the polling costs the server
// one copy of the screen and the program being timed little.
//
//   probe RRGGBB TIMEOUT_MS PROGRAM [ARGS...]
//   probe --gone RRGGBB TIMEOUT_MS      waits until no such block shows
//
// Prints the time on standard output; exit status 1 on a timeout.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace {

constexpr int Block = 16;

double nowMs()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Grab {
    Display* display;
    XImage* image;
    XShmSegmentInfo shm{};
    int width, height;
};

bool open(Grab& s)
{
    s.display = XOpenDisplay(nullptr);
    if (!s.display || !XShmQueryExtension(s.display))
        return false;
    const int screen = DefaultScreen(s.display);
    s.width = DisplayWidth(s.display, screen);
    s.height = DisplayHeight(s.display, screen);
    s.image = XShmCreateImage(s.display, DefaultVisual(s.display, screen), DefaultDepth(s.display, screen), ZPixmap,
                              nullptr, &s.shm, s.width, s.height);
    if (!s.image || s.image->bits_per_pixel != 32)
        return false;
    s.shm.shmid = shmget(IPC_PRIVATE, s.image->bytes_per_line * s.height, IPC_CREAT | 0600);
    s.shm.shmaddr = s.image->data = static_cast<char*>(shmat(s.shm.shmid, nullptr, 0));
    s.shm.readOnly = False;
    if (!XShmAttach(s.display, &s.shm))
        return false;
    shmctl(s.shm.shmid, IPC_RMID, nullptr); // freed once both sides detach
    return true;
}

// A Block x Block square of the colour anywhere on the screen.
bool shows(Grab& s, std::uint32_t colour)
{
    XShmGetImage(s.display, DefaultRootWindow(s.display), s.image, 0, 0, AllPlanes);
    const auto row = [&](int y) {
        return reinterpret_cast<const std::uint32_t*>(s.image->data + static_cast<long>(y) * s.image->bytes_per_line);
    };
    for (int y = 0; y + Block <= s.height; y += Block) {
        const std::uint32_t* p = row(y);
        for (int x = 0, run = 0; x < s.width; ++x) {
            run = (p[x] & 0xFFFFFF) == colour ? run + 1 : 0;
            if (run < Block)
                continue;
            // A run across one row; the square lies within Block rows around it.
            for (int top = y - Block + 1 < 0 ? 0 : y - Block + 1; top <= y && top + Block <= s.height; ++top) {
                bool whole = true;
                for (int dy = 0; dy < Block && whole; ++dy)
                    for (int dx = x - Block + 1; dx <= x && whole; ++dx)
                        whole = (row(top + dy)[dx] & 0xFFFFFF) == colour;
                if (whole)
                    return true;
            }
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    const bool gone = argc > 1 && std::strcmp(argv[1], "--gone") == 0;
    if (argc < 4) {
        std::fprintf(stderr, "usage: probe RRGGBB TIMEOUT_MS PROGRAM [ARGS...] | probe --gone RRGGBB TIMEOUT_MS\n");
        return 2;
    }
    char** args = argv + (gone ? 2 : 1);
    const auto colour = static_cast<std::uint32_t>(std::strtoul(args[0], nullptr, 16));
    const double timeout = std::atof(args[1]);
    Grab grab;
    if (!open(grab)) {
        std::fprintf(stderr, "probe: cannot read the X screen through shared memory (32-bit pixels)\n");
        return 2;
    }
    const double start = nowMs();
    pid_t child = 0;
    if (!gone) {
        child = fork();
        if (child == 0) {
            execvp(args[2], args + 2);
            _exit(127);
        }
    }
    int status = 1;
    while (nowMs() - start < timeout) {
        if (shows(grab, colour) != gone) {
            std::printf("%.1f\n", nowMs() - start);
            status = 0;
            break;
        }
        usleep(2000);
    }
    if (child > 0) {
        kill(child, SIGTERM);
        waitpid(child, nullptr, 0);
    }
    return status;
}
