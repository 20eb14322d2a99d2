// The exit sweep of the real zena.exe against hostile stand-in shells: a
// toolbar of 10,000 buttons whose data point at dead, live, unmapped,
// unreadable, guarded and random places; toolbars that report 0x7FFFFFFF
// and -5 buttons; an overflow window without a toolbar; a shell that ends
// in the middle of the sweep. zena must exit with code 0 every time, delete
// only the buttons whose owners are verifiably gone and leave no scratch
// block behind.
#include <windows.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "tests/wine/harness.h"
#include "tests/wine/load_helpers.h"
#include "tests/wine/standin_shell.h"

namespace {

constexpr DWORD START_TIMEOUT_MS = 20000;
// Far more than any sweep here needs; a scan that trusted a count of
// 0x7FFFFFFF would still be running.
constexpr DWORD EXIT_TIMEOUT_MS = 30000;

std::string Ids(std::initializer_list<int> ids) {
    std::string text;
    for (int id : ids) text += " " + std::to_string(id);
    return text;
}

int OrdinaryTrayCount() { return ShellIs64Bit() ? 9 : 8; }
std::string OrdinaryTraySwept() {
    if (ShellIs64Bit())
        return Ids({STANDIN_ALIVE_1, STANDIN_NO_OWNER, STANDIN_ALIVE_2, STANDIN_UNREADABLE,
                    STANDIN_HOST_OWNED, STANDIN_ABOVE_4GIB, STANDIN_ALIVE_3});
    return Ids({STANDIN_ALIVE_1, STANDIN_NO_OWNER, STANDIN_ALIVE_2, STANDIN_UNREADABLE,
                STANDIN_HOST_OWNED, STANDIN_ALIVE_3});
}
std::string OrdinaryOverflowAll() {
    return Ids({STANDIN_OVERFLOW_DEAD_1, STANDIN_OVERFLOW_ALIVE, STANDIN_OVERFLOW_DEAD_2,
                STANDIN_OVERFLOW_NO_OWNER});
}

// Every "many" button but the dead ones.
std::string ManySurvivors() {
    std::string text;
    for (int id = 1; id <= STANDIN_MANY_BUTTONS; ++id)
        if (StandinManyKind(id) != StandinKind::DEAD) text += " " + std::to_string(id);
    return text;
}

std::vector<int> IdList(const std::string& text) {
    std::vector<int> ids;
    size_t at = 0;
    while (at < text.size()) {
        size_t const end = text.find(' ', at);
        std::string const word =
            text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (!word.empty()) ids.push_back(std::atoi(word.c_str()));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return ids;
}

std::set<int> IdSet(const std::string& text) {
    std::vector<int> const ids = IdList(text);
    return std::set<int>(ids.begin(), ids.end());
}

// The first place two id lists differ, for a failure line that fits.
std::string FirstDifference(const std::string& expected, const std::string& actual) {
    size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
    size_t const from = at > 20 ? at - 20 : 0;
    return "at char " + std::to_string(at) + ": expected [..." + expected.substr(from, 60) +
           "], got [..." + actual.substr(from, 60) + "] (" + std::to_string(expected.size()) +
           " and " + std::to_string(actual.size()) + " chars)";
}

void CheckIds(const std::string& label, const char* what, const std::string& expected,
              const std::string& actual) {
    Check(actual == expected, (label + ": " + what).c_str(), "%s",
          FirstDifference(expected, actual).c_str());
}

// Starts zena, asks it to close and waits for its end; whether it ended
// with code 0.
bool RunZenaAndClose(const std::string& label) {
    Process zena;
    if (!Check(StartZena(zena), (label + ": zena started").c_str())) return false;
    HWND const host = WaitForHostWindow(zena, START_TIMEOUT_MS);
    if (!Check(host != nullptr, (label + ": host window found").c_str())) return false;
    DWORD const start = GetTickCount();
    PostMessageA(host, WM_CLOSE, 0, 0);
    DWORD code = 1;
    bool const ended = WaitForExit(zena, EXIT_TIMEOUT_MS, &code);
    Note("%s: zena ended %lu ms after WM_CLOSE (emulated 32-bit)", label.c_str(),
         static_cast<unsigned long>(GetTickCount() - start));
    if (!Check(ended, (label + ": zena exits").c_str(), "still running after %lu ms",
               static_cast<unsigned long>(EXIT_TIMEOUT_MS)))
        return false;
    return CheckEqual(code, 0, (label + ": exit code").c_str());
}

struct HostileCase {
    const char* mode;
    std::string tray;             // left in the tray toolbar
    std::string overflow;         // left in the overflow toolbar
    long least_get_button_calls;  // -1: not counted in this mode
    long most_get_button_calls;
};

void RunCase(const HostileCase& c) {
    std::string const label = c.mode;
    Standin standin;
    if (!StartStandin(standin, label, c.mode)) return;
    RunZenaAndClose(label);
    StandinReport const report = FinishStandin(standin);
    if (!Check(report.read, (label + ": stand-in reported").c_str())) return;
    // A free address given to a button may have been mapped by the time of
    // the sweep (by whom is not ours to know); such a button no longer
    // points at unmapped memory and is judged by what is there, so it is
    // left out of the comparison and its fate noted.
    std::set<int> const moved = IdSet(report.mapped_since);
    std::string tray_expected, tray_left;
    int moved_deleted = 0;
    for (int id : IdList(c.tray))
        if (!moved.count(id)) tray_expected += " " + std::to_string(id);
    std::set<int> const left = IdSet(report.tray);
    for (int id : IdList(report.tray))
        if (!moved.count(id)) tray_left += " " + std::to_string(id);
    for (int id : moved)
        if (!left.count(id)) ++moved_deleted;
    if (!moved.empty())
        Note(
            "%s: %d buttons' free addresses were mapped by the sweep (ids%s); %d of them were "
            "deleted: the sweep judges whatever it reads there",
            c.mode, static_cast<int>(moved.size()), report.mapped_since.c_str(), moved_deleted);
    CheckIds(label, "tray buttons left: only the verifiably dead ones are gone", tray_expected,
             tray_left);
    CheckIds(label, "overflow buttons left", c.overflow, report.overflow);
    CheckEqual(report.foreign_blocks, 0, (label + ": no scratch block left in the shell").c_str());
    if (c.least_get_button_calls < 0) return;
    Note("%s: the tray toolbar answered %ld TB_GETBUTTON requests", c.mode,
         report.get_button_calls);
    Check(report.get_button_calls >= c.least_get_button_calls &&
              report.get_button_calls <= c.most_get_button_calls,
          (label + ": TB_GETBUTTON requests within the toolbar's real size and a short run past it")
              .c_str(),
          "%ld, expected %ld to %ld", report.get_button_calls, c.least_get_button_calls,
          c.most_get_button_calls);
}

// The shell ends while it answers the sweep: zena's next messages and reads
// fail, and its exit must go on regardless.
void ShellEndsDuringTheSweep() {
    std::string const label = "dies_in_sweep";
    Standin standin;
    if (!StartStandin(standin, label, "dies_in_sweep")) return;
    RunZenaAndClose(label);
    DWORD code = 1;
    Check(WaitForExit(standin.process, 5000, &code) && code == 0,
          "dies_in_sweep: the stand-in ended itself in the middle of the sweep", "code %lu",
          static_cast<unsigned long>(code));
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> args{argv[0], const_cast<char*>("--deadline"), const_cast<char*>("170")};
    args.insert(args.end(), argv + 1, argv + argc);
    HarnessInit(static_cast<int>(args.size()), args.data());
    ForgetZenaVersion();
    if (!Check(SetZenaVersion("win7"), "zena is told it runs on Windows 7 (both toolbars swept)"))
        return HarnessFinish();
    Note("shell stand-in: %s", ShellIs64Bit() ? "64-bit" : "32-bit");

    // The tray toolbar alone is scanned in "many" (the overflow one is empty).
    HostileCase const cases[] = {
        {"many", ManySurvivors(), "", STANDIN_MANY_BUTTONS, STANDIN_MANY_BUTTONS},
        // A count of 0x7FFFFFFF for the tray, -5 for the overflow toolbar.
        {"counts", OrdinaryTraySwept(), OrdinaryOverflowAll(), OrdinaryTrayCount(),
         OrdinaryTrayCount() + 16},
        {"no_overflow_toolbar", OrdinaryTraySwept(), "", -1, -1},
    };
    for (const HostileCase& c : cases) RunCase(c);
    ShellEndsDuringTheSweep();

    ForgetZenaVersion();
    return HarnessFinish();
}
