// Start-up probe: starts the game and listens to the X server's structure notifications
// for the moments its first window and its main window become viewable, so the figures
// carry no polling delay of their own. After the main window shows it waits a moment,
// reads the game's resident memory, asks the window manager to close the main window and
// waits for the game to end.
//   map_probe <main window title> <settle ms> <game> [arguments...]
// Prints one line: "<splash µs> <main µs> <resident kB>", times counted from just before
// the game's process is started. Exit code 1 when a window does not show within 20 s.
#include <xcb/xcb.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <poll.h>
#include <set>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Free {
    void operator()(void *p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, Free>;

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    Reply<xcb_intern_atom_reply_t> r(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
    return r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
}

std::string property(xcb_connection_t *c, xcb_window_t w, xcb_atom_t prop, xcb_atom_t type)
{
    Reply<xcb_get_property_reply_t> r(xcb_get_property_reply(c, xcb_get_property(c, 0, w, prop, type, 0, 256), nullptr));
    if (!r || r->type == XCB_ATOM_NONE)
        return {};
    return std::string(static_cast<const char *>(xcb_get_property_value(r.get())),
                       static_cast<std::size_t>(xcb_get_property_value_length(r.get())));
}

long windowPid(xcb_connection_t *c, xcb_window_t w, xcb_atom_t netWmPid)
{
    const std::string value = property(c, w, netWmPid, XCB_ATOM_CARDINAL);
    if (value.size() < 4)
        return -1;
    std::uint32_t pid = 0;
    std::memcpy(&pid, value.data(), 4);
    return pid;
}

bool viewable(xcb_connection_t *c, xcb_window_t w)
{
    Reply<xcb_get_window_attributes_reply_t> r(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr));
    return r && r->map_state == XCB_MAP_STATE_VIEWABLE;
}

long residentKb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    long value = -1;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            break;
        }
        status.ignore(1 << 12, '\n');
    }
    return value;
}

void listen(xcb_connection_t *c, xcb_window_t w, std::uint32_t mask)
{
    xcb_change_window_attributes(c, w, XCB_CW_EVENT_MASK, &mask);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <main window title> <settle ms> <game> [arguments...]\n", argv[0]);
        return 2;
    }
    const std::string mainTitle = argv[1];
    const int settleMs = std::atoi(argv[2]);

    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "map_probe: no X display\n");
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_atom_t netWmPid = atom(c, "_NET_WM_PID");
    const xcb_atom_t netWmName = atom(c, "_NET_WM_NAME");
    const xcb_atom_t utf8 = atom(c, "UTF8_STRING");
    const xcb_atom_t netCloseWindow = atom(c, "_NET_CLOSE_WINDOW");
    listen(c, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
    xcb_flush(c);

    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execv(argv[3], argv + 3);
        _exit(127);
    }
    if (pid < 0) {
        std::perror("fork");
        return 2;
    }

    // Windows created directly under the root: the game's top-level windows among them.
    // Each is watched for its own mapping; the window manager's frames are root children
    // too, so their mapping arrives through the root.
    std::set<xcb_window_t> candidates;
    long splashUs = -1;
    long mainUs = -1;
    xcb_window_t mainWindow = XCB_WINDOW_NONE;
    const auto deadline = start + std::chrono::seconds(20);
    pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
    while (mainUs < 0 && Clock::now() < deadline) {
        xcb_generic_event_t *raw = xcb_poll_for_event(c);
        if (!raw) {
            if (xcb_connection_has_error(c))
                break;
            poll(&fd, 1, 50);
            continue;
        }
        const auto at = Clock::now();
        std::unique_ptr<xcb_generic_event_t, Free> event(raw);
        const int type = event->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            const auto *e = reinterpret_cast<xcb_create_notify_event_t *>(raw);
            if (e->parent == root && !e->override_redirect) {
                candidates.insert(e->window);
                listen(c, e->window, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
                xcb_flush(c);
            }
        } else if (type == XCB_MAP_NOTIFY) {
            // A client or a frame was mapped: see which of the game's windows now show.
            const long us = std::chrono::duration_cast<std::chrono::microseconds>(at - start).count();
            for (auto it = candidates.begin(); it != candidates.end();) {
                const xcb_window_t w = *it;
                if (!viewable(c, w) || windowPid(c, w, netWmPid) != pid) {
                    ++it;
                    continue;
                }
                if (splashUs < 0)
                    splashUs = us;
                if (property(c, w, netWmName, utf8) == mainTitle ||
                    property(c, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING) == mainTitle) {
                    mainUs = us;
                    mainWindow = w;
                }
                it = candidates.erase(it);
            }
        } else if (type == XCB_DESTROY_NOTIFY) {
            candidates.erase(reinterpret_cast<xcb_destroy_notify_event_t *>(raw)->window);
        }
    }

    long rss = -1;
    if (mainUs >= 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
        rss = residentKb(pid);
        // Closing as a window manager's close button does.
        xcb_client_message_event_t close{};
        close.response_type = XCB_CLIENT_MESSAGE;
        close.format = 32;
        close.window = mainWindow;
        close.type = netCloseWindow;
        close.data.data32[0] = XCB_CURRENT_TIME;
        close.data.data32[1] = 2;
        xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char *>(&close));
        xcb_flush(c);
    }
    // The game gets 10 s to end by itself.
    int status = 0;
    bool ended = false;
    for (int i = 0; i < 1000 && !ended; ++i) {
        ended = waitpid(pid, &status, WNOHANG) == pid;
        if (!ended)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    xcb_disconnect(c);
    if (mainUs < 0) {
        std::fprintf(stderr, "map_probe: the main window \"%s\" did not show\n", mainTitle.c_str());
        return 1;
    }
    if (!ended)
        std::fprintf(stderr, "map_probe: the game did not end after its main window was closed\n");
    std::printf("%ld %ld %ld\n", splashUs, mainUs, rss);
    return ended ? 0 : 1;
}
