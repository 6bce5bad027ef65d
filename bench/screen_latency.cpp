// screen_latency: measures an editor program the way a user sees it, on a real X server: the time from
// a key sent through XTEST to the changed pixels on the screen (XDamage tells when something was drawn,
// reading the pixels back tells whether it was more than the blinking caret), the time from start to
// a fully painted window, and the process's peak memory. Any editor is driven the same way, so two
// programs can be compared in one run (bench/side_by_side.sh).
//
//   screen_latency generate DIR                     write the test scripts into DIR
//   screen_latency run [options] -- PROGRAM ARGS... start PROGRAM, measure, print "name value" lines
//
// Options of run (all times in ms):
//   --settle MS          quiet time that ends a measurement (default 2500)
//   --timeout MS         longest wait for one measurement (default 120000)
//   --deadline MS        after this long every wait ends at once (what is left reports -1)
//   --goto KEYS          keys that put the caret where typing happens (after the window is painted)
//   --rhythms LIST       typing rhythms, e.g. "isolated:8,250:16,500:16,pause:5,burst:200"; a number is
//                        the interval between keys, "isolated" waits until the screen settles,
//                        "pause" waits 3200 ms (timers due), "burst" types N keys 80 ms apart and
//                        reports how long the screen keeps changing after the last key
//   --action NAME=KEYS   a command: the keys are sent, the time is taken from the last of them to the
//                        last change of the screen; repeatable, done in order. A NAME starting
//                        with "-" is not measured (the keys that open a dialog, say)
//   --type-key KEY       the key typed (default x)
//   --ignore X,Y,W,H     changes in this screen area do not count (a clock); repeatable
//   --perf FILE          record a profile of the program (perf record -g) once its window is painted
// KEYS is a comma-separated list: "ctrl+End", "Up*20", "text:$Result", "wait:300".

#include "ScriptSamples.h"

#include <X11/Xlib.h>
#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
double msSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }
// Past this point every wait ends at once: a program that never settles does not hold up a run.
Clock::time_point g_deadline = Clock::time_point::max();
bool pastDeadline() { return Clock::now() >= g_deadline; }
double msBetween(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
};

// The screen as last read back, and the damage reports that say where it may have changed.
class Screen {
public:
    Screen()
    {
        dpy_ = XOpenDisplay(nullptr);
        if (!dpy_) {
            std::fprintf(stderr, "no X display\n");
            std::exit(2);
        }
        int event = 0, error = 0, major = 0, minor = 0;
        if (!XDamageQueryExtension(dpy_, &damageEvent_, &error) || !XTestQueryExtension(dpy_, &event, &error, &major, &minor)) {
            std::fprintf(stderr, "the X server lacks DAMAGE or XTEST\n");
            std::exit(2);
        }
        root_ = DefaultRootWindow(dpy_);
        width_ = DisplayWidth(dpy_, DefaultScreen(dpy_));
        height_ = DisplayHeight(dpy_, DefaultScreen(dpy_));
        XDamageCreate(dpy_, root_, XDamageReportRawRectangles);
        ref_.assign(std::size_t(width_) * std::size_t(height_), 0);
        readBack({0, 0, width_, height_}, nullptr);
    }
    Display* display() const { return dpy_; }

    // Waits up to timeoutMs for damage; each rectangle is read back and compared with what the
    // screen held. Returns the changes that were more than a caret (over 3 pixel columns), with
    // the time their report arrived; `band` (rows) limits the comparison when its height is set.
    struct Change {
        Clock::time_point at;
        Rect rect;
    };
    // Areas whose changes do not count (a clock in a status bar).
    void ignore(const Rect& r) { ignored_.push_back(r); }

    std::vector<Change> poll(int timeoutMs, const Rect& band = {})
    {
        std::vector<std::pair<Clock::time_point, Rect>> reports;
        if (!XPending(dpy_)) {
            pollfd fd{ConnectionNumber(dpy_), POLLIN, 0};
            ::poll(&fd, 1, std::max(0, timeoutMs));
        }
        while (XPending(dpy_)) {
            XEvent e;
            XNextEvent(dpy_, &e);
            if (e.type == damageEvent_ + XDamageNotify) {
                const auto* d = reinterpret_cast<XDamageNotifyEvent*>(&e);
                reports.push_back({Clock::now(), {d->area.x, d->area.y, d->area.width, d->area.height}});
            }
        }
        std::vector<Change> changes;
        for (const auto& [at, rect] : reports) {
            Rect r = clip(rect);
            if (r.w <= 0 || r.h <= 0)
                continue;
            const int columns = readBack(r, band.h > 0 ? &band : nullptr);
            if (debug_)
                std::fprintf(stderr, "%.1f ms: damage %d,%d %dx%d: %d columns changed\n",
                             std::chrono::duration<double, std::milli>(at - created_).count(), r.x, r.y, r.w, r.h,
                             columns);
            if (columns > 3)
                changes.push_back({at, r});
        }
        return changes;
    }

    // The rows where the screen changed between two read-backs of the whole screen: the largest
    // run of changed rows.
    Rect changedBand(const std::vector<std::uint32_t>& before) const
    {
        std::vector<int> perRow(std::size_t(height_), 0);
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                perRow[std::size_t(y)] += before[std::size_t(y) * width_ + x] != ref_[std::size_t(y) * width_ + x];
        Rect best;
        long bestCount = 0;
        for (int y = 0; y < height_;) {
            if (!perRow[std::size_t(y)]) {
                ++y;
                continue;
            }
            int end = y;
            long count = 0;
            while (end < height_ && perRow[std::size_t(end)])
                count += perRow[std::size_t(end++)];
            if (count > bestCount) {
                bestCount = count;
                best = {0, y, width_, end - y};
            }
            y = end;
        }
        return best;
    }
    const std::vector<std::uint32_t>& pixels() const { return ref_; }
    void drain()
    {
        XSync(dpy_, False);
        poll(0);
    }

private:
    Rect clip(Rect r) const
    {
        const int x1 = std::max(0, r.x), y1 = std::max(0, r.y);
        const int x2 = std::min(width_, r.x + r.w), y2 = std::min(height_, r.y + r.h);
        return {x1, y1, x2 - x1, y2 - y1};
    }
    // Reads the rectangle back into ref_; returns how many pixel columns changed (within band).
    int readBack(const Rect& r, const Rect* band)
    {
        XImage* image = XGetImage(dpy_, root_, r.x, r.y, unsigned(r.w), unsigned(r.h), AllPlanes, ZPixmap);
        if (!image)
            return 0;
        std::vector<char> changed(std::size_t(r.w), 0);
        for (int y = 0; y < r.h; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(image->data + std::size_t(y) * image->bytes_per_line);
            std::uint32_t* dst = &ref_[std::size_t(r.y + y) * width_ + r.x];
            const int sy = r.y + y;
            const bool counted = !band || (sy >= band->y && sy < band->y + band->h);
            for (int x = 0; x < r.w; ++x) {
                const std::uint32_t p = row[x] & 0xFFFFFF;
                if (p != dst[x]) {
                    if (counted && !ignored(r.x + x, sy))
                        changed[std::size_t(x)] = 1;
                    dst[x] = p;
                }
            }
        }
        XDestroyImage(image);
        return int(std::count(changed.begin(), changed.end(), 1));
    }

    bool ignored(int x, int y) const
    {
        for (const Rect& r : ignored_)
            if (x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h)
                return true;
        return false;
    }

    std::vector<Rect> ignored_;
    const bool debug_ = std::getenv("SCREEN_LATENCY_DEBUG") != nullptr;
    const Clock::time_point created_ = Clock::now();
    Display* dpy_ = nullptr;
    Window root_ = 0;
    int damageEvent_ = 0;
    int width_ = 0, height_ = 0;
    std::vector<std::uint32_t> ref_;
};

// ---- Keys --------------------------------------------------------------------------------------

void sendKeysym(Display* dpy, KeySym sym, const std::vector<KeySym>& modifiers)
{
    KeyCode code = XKeysymToKeycode(dpy, sym);
    if (!code) {
        std::fprintf(stderr, "no key for keysym %lu\n", sym);
        return;
    }
    std::vector<KeySym> mods = modifiers;
    // A character on the shifted level of its key needs Shift.
    if (XkbKeycodeToKeysym(dpy, code, 0, 0) != sym && XkbKeycodeToKeysym(dpy, code, 0, 1) == sym)
        mods.push_back(XK_Shift_L);
    for (KeySym m : mods)
        XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, m), True, CurrentTime);
    XTestFakeKeyEvent(dpy, code, True, CurrentTime);
    XTestFakeKeyEvent(dpy, code, False, CurrentTime);
    for (auto m = mods.rbegin(); m != mods.rend(); ++m)
        XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, *m), False, CurrentTime);
    XFlush(dpy);
}

KeySym charKeysym(char c)
{
    static const std::pair<char, const char*> named[] = {
        {' ', "space"}, {'$', "dollar"}, {'\\', "backslash"}, {'.', "period"}, {'"', "quotedbl"},
        {'@', "at"},    {'_', "underscore"}, {':', "colon"}, {';', "semicolon"}, {',', "comma"},
        {'=', "equal"}, {'(', "parenleft"}, {')', "parenright"}, {'+', "plus"}, {'-', "minus"},
    };
    for (const auto& [ch, name] : named)
        if (ch == c)
            return XStringToKeysym(name);
    const char text[2] = {c, 0};
    return XStringToKeysym(text);
}

// Sends one item of a KEYS list; returns false for an item it cannot read.
bool sendItem(Screen& screen, const std::string& item)
{
    Display* dpy = screen.display();
    if (item.rfind("text:", 0) == 0) {
        for (char c : item.substr(5))
            sendKeysym(dpy, charKeysym(c), {});
        return true;
    }
    if (item.rfind("wait:", 0) == 0) {
        const auto start = Clock::now();
        const double ms = std::atof(item.c_str() + 5);
        while (msSince(start) < ms)
            screen.poll(int(ms - msSince(start)) + 1);
        return true;
    }
    std::string key = item;
    int repeat = 1;
    if (const auto star = key.find('*'); star != std::string::npos) {
        repeat = std::atoi(key.c_str() + star + 1);
        key.resize(star);
    }
    std::vector<KeySym> mods;
    for (std::size_t plus; (plus = key.find('+')) != std::string::npos && plus + 1 < key.size();) {
        const std::string m = key.substr(0, plus);
        mods.push_back(m == "ctrl" ? XK_Control_L : m == "alt" ? XK_Alt_L : XK_Shift_L);
        key.erase(0, plus + 1);
    }
    const KeySym sym = key.size() == 1 ? charKeysym(key[0]) : XStringToKeysym(key.c_str());
    if (sym == NoSymbol)
        return false;
    for (int i = 0; i < repeat; ++i) {
        sendKeysym(dpy, sym, mods);
        screen.poll(5); // the program takes its keys in order; a little room between them
    }
    return true;
}

std::vector<std::string> split(const std::string& text, char sep)
{
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, sep);)
        if (!part.empty())
            parts.push_back(part);
    return parts;
}

void sendKeys(Screen& screen, const std::string& keys)
{
    for (const std::string& item : split(keys, ','))
        if (!sendItem(screen, item))
            std::fprintf(stderr, "unknown key: %s\n", item.c_str());
}

// ---- Measuring ---------------------------------------------------------------------------------

struct Settled {
    bool settled = false;
    double lastChangeMs = -1; // after `from`; -1 when nothing changed
};

// Waits until the screen has not changed (beyond the caret) for settleMs, after a first change when
// `changeFirst`; the time of the last change.
Settled waitSettled(Screen& screen, Clock::time_point from, int settleMs, int timeoutMs, bool changeFirst = false)
{
    Settled result;
    Clock::time_point last = from;
    for (;;) {
        for (const auto& change : screen.poll(50)) {
            last = change.at;
            result.lastChangeMs = msBetween(from, change.at);
        }
        if (msSince(last) >= settleMs && (!changeFirst || result.lastChangeMs >= 0)) {
            result.settled = true;
            return result;
        }
        if (msSince(from) >= timeoutMs || pastDeadline())
            return result;
    }
}

double median(std::vector<double> v)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

long statusKb(pid_t pid, const char* field)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind(field, 0) == 0)
            return std::atol(line.c_str() + std::strlen(field) + 1);
    return -1;
}

struct Options {
    int settleMs = 2500;
    int timeoutMs = 120000;
    std::string gotoKeys;
    std::string rhythms;
    std::vector<std::pair<std::string, std::string>> actions;
    std::string typeKey = "x";
    std::vector<Rect> ignored;
    std::string perfData;
    std::vector<char*> program;
};

void report(const char* name, double value) { std::printf("%s %.3f\n", name, value); std::fflush(stdout); }
void report(const std::string& name, double value) { report(name.c_str(), value); }

// Keys sent at fixed intervals (or after the screen settled, or after a pause); each key's time is
// from its sending to the first change in the typing band after it that no earlier key claimed.
void typeRhythm(Screen& screen, const Options& options, const Rect& band, const std::string& rhythm)
{
    const auto colon = rhythm.find(':');
    const std::string kind = rhythm.substr(0, colon);
    const int count = colon == std::string::npos ? 10 : std::atoi(rhythm.c_str() + colon + 1);
    Display* dpy = screen.display();
    const KeySym key = charKeysym(options.typeKey[0]);

    if (kind == "burst") {
        // Keys 80 ms apart; how long the screen goes on changing after the last one.
        Clock::time_point lastKey;
        for (int i = 0; i < count; ++i) {
            if (i > 0)
                while (msSince(lastKey) < 80)
                    screen.poll(int(80 - msSince(lastKey)) + 1);
            lastKey = Clock::now();
            sendKeysym(dpy, key, {});
        }
        const Settled s = waitSettled(screen, lastKey, options.settleMs, options.timeoutMs);
        report("burst" + std::to_string(count) + "_settle_after_last_key_ms", s.lastChangeMs);
        return;
    }
    const bool isolated = kind == "isolated";
    const int interval = kind == "pause" ? 3200 : isolated ? 0 : std::atoi(kind.c_str());
    std::vector<Clock::time_point> sent;
    std::vector<double> latency;
    std::size_t shown = 0;
    const auto collect = [&](int waitMs) {
        for (const auto& change : screen.poll(waitMs, band)) {
            // A change shows every key sent before it that is not shown yet.
            while (shown < sent.size() && sent[shown] < change.at)
                latency.push_back(msBetween(sent[shown++], change.at));
        }
    };
    waitSettled(screen, Clock::now(), options.settleMs, options.timeoutMs);
    for (int i = 0; i < count; ++i) {
        if (isolated)
            waitSettled(screen, Clock::now(), options.settleMs, options.timeoutMs);
        const auto due = sent.empty() || isolated ? Clock::now() : sent.back() + std::chrono::milliseconds(interval);
        while (Clock::now() < due)
            collect(int(msBetween(Clock::now(), due)) + 1);
        sent.push_back(Clock::now());
        sendKeysym(dpy, key, {});
        if (isolated) {
            const auto start = Clock::now();
            while (shown < sent.size() && msSince(start) < options.timeoutMs && !pastDeadline())
                collect(100);
        }
        if (pastDeadline())
            break;
    }
    const auto start = Clock::now();
    while (shown < sent.size() && msSince(start) < options.timeoutMs && !pastDeadline())
        collect(100);
    const std::string name = "key_" + kind;
    report(name + "_median_ms", median(latency));
    report(name + "_max_ms", latency.empty() ? -1 : *std::max_element(latency.begin(), latency.end()));
    report(name + "_unshown", double(sent.size() - shown));
}

int run(const Options& options)
{
    Screen screen;
    for (const Rect& r : options.ignored)
        screen.ignore(r);
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(options.program[0], options.program.data());
        std::perror("exec");
        _exit(127);
    }
    // Started to painted: the last change before the screen settles.
    const Settled opened = waitSettled(screen, start, options.settleMs, options.timeoutMs, true);
    report("open_painted_ms", opened.settled ? opened.lastChangeMs : -1);
    report("open_peak_rss_mb", double(statusKb(pid, "VmHWM:")) / 1024);
    report("open_private_rss_mb", double(statusKb(pid, "RssAnon:")) / 1024);

    // A profile of the program from here on (perf record), ended before the program is.
    pid_t profiler = -1;
    if (!options.perfData.empty()) {
        const std::string target = std::to_string(pid);
        profiler = fork();
        if (profiler == 0) {
            const char* callGraph = std::getenv("SCREEN_LATENCY_CALL_GRAPH"); // "dwarf" for full stacks
            execlp("perf", "perf", "record", "-q", "--call-graph", callGraph ? callGraph : "fp", "-F", "1000", "-o",
                   options.perfData.c_str(), "-p", target.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        sleep(1);
    }
    if (!options.gotoKeys.empty()) {
        sendKeys(screen, options.gotoKeys);
        waitSettled(screen, Clock::now(), options.settleMs, options.timeoutMs);
    }
    if (!options.rhythms.empty()) {
        // The typing band: the rows that one typed key (after a first one) changes most.
        const KeySym key = charKeysym(options.typeKey[0]);
        sendKeysym(screen.display(), key, {});
        waitSettled(screen, Clock::now(), options.settleMs, options.timeoutMs, true);
        const std::vector<std::uint32_t> before = screen.pixels();
        sendKeysym(screen.display(), key, {});
        waitSettled(screen, Clock::now(), options.settleMs, options.timeoutMs, true);
        const Rect band = screen.changedBand(before);
        report("typing_band_height_px", band.h);
        for (const std::string& rhythm : split(options.rhythms, ','))
            typeRhythm(screen, options, band, rhythm);
    }
    for (const auto& [name, keys] : options.actions) {
        waitSettled(screen, Clock::now(), options.settleMs, options.timeoutMs);
        if (name.empty() || name[0] == '-') {
            // Not measured: it opens a dialog, say, whose blinking text cursor never lets the
            // screen settle.
            sendKeys(screen, keys + ",wait:1500");
            continue;
        }
        sendKeys(screen, keys);
        const Settled s = waitSettled(screen, Clock::now(), options.settleMs, options.timeoutMs, true);
        report(name + "_ms", s.settled ? std::max(0.0, s.lastChangeMs) : -1);
    }
    report("session_peak_rss_mb", double(statusKb(pid, "VmHWM:")) / 1024);
    if (profiler > 0) {
        kill(profiler, SIGINT);
        waitpid(profiler, nullptr, 0);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return 0;
}

int generate(const std::string& dir)
{
    const auto write = [&](const std::string& name, const std::string& text) {
        std::ofstream out(dir + "/" + name, std::ios::binary);
        out << text;
        std::printf("%s/%s %zu bytes\n", dir.c_str(), name.c_str(), text.size());
        return bool(out);
    };
    const std::string ten = samples::realisticScript(10u << 20);
    std::size_t matches = 0;
    for (std::size_t at = 0; (at = ten.find("$Result", at)) != std::string::npos; at += 7)
        ++matches;
    std::printf("$Result occurs %zu times in real-10mb.kix\n", matches);
    return write("real-1mb.kix", samples::realisticScript(1u << 20)) && write("real-10mb.kix", ten) &&
                   write("line-5mb.kix", samples::longLineScript(5u << 20)) &&
                   write("line-50mb.kix", samples::longLineScript(50u << 20))
               ? 0
               : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "generate")
        return generate(argv[2]);
    if (argc < 2 || std::string(argv[1]) != "run") {
        std::fprintf(stderr, "usage: screen_latency generate DIR | run [options] -- PROGRAM ARGS...\n");
        return 2;
    }
    Options options;
    int i = 2;
    for (; i < argc && std::string(argv[i]) != "--"; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : "";
        if (arg == "--settle")
            options.settleMs = std::atoi(value);
        else if (arg == "--timeout")
            options.timeoutMs = std::atoi(value);
        else if (arg == "--goto")
            options.gotoKeys = value;
        else if (arg == "--rhythms")
            options.rhythms = value;
        else if (arg == "--type-key")
            options.typeKey = value;
        else if (arg == "--deadline")
            g_deadline = Clock::now() + std::chrono::milliseconds(std::atol(value));
        else if (arg == "--perf")
            options.perfData = value;
        else if (arg == "--ignore") {
            Rect r;
            if (std::sscanf(value, "%d,%d,%d,%d", &r.x, &r.y, &r.w, &r.h) == 4)
                options.ignored.push_back(r);
        }
        else if (arg == "--action") {
            const std::string v = value;
            const auto eq = v.find('=');
            options.actions.push_back({v.substr(0, eq), eq == std::string::npos ? "" : v.substr(eq + 1)});
        } else {
            std::fprintf(stderr, "unknown option %s\n", arg.c_str());
            return 2;
        }
        ++i;
    }
    for (++i; i < argc; ++i)
        options.program.push_back(argv[i]);
    options.program.push_back(nullptr);
    if (options.program.size() < 2) {
        std::fprintf(stderr, "no program to run\n");
        return 2;
    }
    return run(options);
}
