// Times a program's start as the user sees it: from exec to its first window
// mapped on the X display, and to the moment its event loop is free for good
// (all start-up work done, also what runs after the window shows), with the
// program's peak resident memory. Run it on a display of its own, without a
// window manager, so that the program's window is a child of the root.
//
// "Free for good" is found with window-manager pings, sent one after another from
// the map on: a ping answered late (more than kStallMs) means the program was
// busy; ready is the answer that ended the last such stall, once kQuietMs have
// passed with every ping answered at once.
//
// The program is also asked to log its start-up milestones to its error output;
// "trees and root note shown" is timed as notes_ms (-1 for a program that logs none).
//
//   vh-startwatch PROGRAM [ARGS...]
//   prints: mapped_ms=<ms> ready_ms=<ms> peak_rss_mb=<MB> cpu_ms=<ms> notes_ms=<ms>
// (cpu: all the program's threads, user and system, to its end, which follows
// ready at once and then the quiet time, where an idle program uses next to none)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

double msSince(const timespec& start)
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec - start.tv_sec) * 1e3 +
           static_cast<double>(now.tv_nsec - start.tv_nsec) / 1e6;
}

constexpr double kStallMs = 10;
constexpr double kQuietMs = 300;
constexpr int kPingGapMs = 2;

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(reply);
    return a;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: vh-startwatch PROGRAM [ARGS...]\n");
        return 2;
    }
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "vh-startwatch: cannot open the display\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t protocols = atom(c, "WM_PROTOCOLS");
    const xcb_atom_t ping = atom(c, "_NET_WM_PING");
    xcb_flush(c);

    int errors[2];
    if (pipe(errors) != 0) {
        std::perror("pipe");
        return 1;
    }
    setenv("QT_LOGGING_RULES", "vornet.startup.info=true", 1);

    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t child = fork();
    if (child == 0) {
        dup2(errors[1], STDERR_FILENO);
        close(errors[0]);
        close(errors[1]);
        execvp(argv[1], argv + 1);
        std::perror("exec");
        _exit(127);
    }

    close(errors[1]);
    double mapped = -1;
    double ready = -1;
    double notes = -1;
    std::string errorText; // the program's error output not yet read as whole lines
    const auto readErrors = [&] {
        char buffer[4096];
        const ssize_t got = read(errors[0], buffer, sizeof buffer);
        if (got <= 0) {
            return;
        }
        errorText.append(buffer, static_cast<size_t>(got));
        for (size_t end; (end = errorText.find('\n')) != std::string::npos; errorText.erase(0, end + 1)) {
            const std::string line = errorText.substr(0, end);
            if (line.find("trees and root note shown") != std::string::npos) {
                notes = msSince(start);
            } else if (line.find("vornet.startup") == std::string::npos) {
                std::fprintf(stderr, "%s\n", line.c_str()); // the program's own messages pass through
            }
        }
    };
    double pingSent = -1; // when the ping now out was sent; -1: none out
    double nextPing = -1; // when to send the next one
    xcb_window_t window = XCB_WINDOW_NONE;
    const auto sendPing = [&] {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = protocols;
        message.data.data32[0] = ping;
        message.data.data32[1] = XCB_CURRENT_TIME;
        message.data.data32[2] = window;
        xcb_send_event(c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
        xcb_flush(c);
        pingSent = msSince(start);
        nextPing = -1;
    };
    pollfd fds[2] = {{xcb_get_file_descriptor(c), POLLIN, 0}, {errors[0], POLLIN, 0}};
    // Done after kQuietMs of prompt answers; a ping out longer than kStallMs is a stall still going on.
    const auto quietEnough = [&] {
        const double now = msSince(start);
        return ready >= 0 && now - ready >= kQuietMs && (pingSent < 0 || now - pingSent <= kStallMs);
    };
    while (msSince(start) < 60000 && !quietEnough()) {
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) {
            std::fprintf(stderr, "vh-startwatch: the program ended before it was ready\n");
            return 1;
        }
        if (nextPing >= 0 && msSince(start) >= nextPing) {
            sendPing();
        }
        xcb_generic_event_t* event = xcb_poll_for_event(c);
        if (!event) {
            fds[1].revents = 0;
            poll(fds, 2, nextPing >= 0 ? kPingGapMs : 100); // a closed output (fd -1) is skipped
            if (fds[1].revents & POLLIN) {
                readErrors();
            } else if (fds[1].revents & (POLLHUP | POLLERR)) {
                fds[1].fd = -1; // the program closed its error output
            }
            continue;
        }
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_MAP_NOTIFY && mapped < 0) {
            const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
            if (!map->override_redirect) {
                mapped = msSince(start);
                window = map->window;
                sendPing();
            }
        } else if (type == XCB_CLIENT_MESSAGE && mapped >= 0) {
            const auto* answer = reinterpret_cast<xcb_client_message_event_t*>(event);
            if (answer->type == protocols && answer->data.data32[0] == ping && answer->data.data32[2] == window &&
                pingSent >= 0) {
                const double now = msSince(start);
                if (ready < 0 || now - pingSent > kStallMs) {
                    ready = now;
                }
                pingSent = -1;
                nextPing = now + kPingGapMs;
            }
        }
        std::free(event);
    }
    kill(child, SIGTERM);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    xcb_disconnect(c);
    if (ready < 0) {
        std::fprintf(stderr, "vh-startwatch: no window mapped and answering within a minute\n");
        return 1;
    }
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    std::printf("mapped_ms=%.1f ready_ms=%.1f peak_rss_mb=%.1f cpu_ms=%.1f notes_ms=%.1f\n", mapped, ready,
                static_cast<double>(usage.ru_maxrss) / 1024.0, cpu, notes);
    return 0;
}
