// The test's side of probe32.dll: the sink window that collects its
// reports, and hooking a suspended zena before it runs.
#include "tests/wine/probe.h"

#include <cstring>

namespace {

Probe* g_probe = nullptr;  // the one probe whose sink is open

LRESULT CALLBACK SinkProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COPYDATA && g_probe) {
        const COPYDATASTRUCT* const copy = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
        if (copy->dwData == PROBE_EVENT && copy->cbData == sizeof(ProbeEvent)) {
            ProbeEvent event;
            memcpy(&event, copy->lpData, sizeof(event));
            event.class_name[sizeof(event.class_name) - 1] = '\0';
            g_probe->events.push_back(event);
        } else if (copy->dwData == PROBE_ANSWER && copy->cbData == sizeof(ProbeAnswer)) {
            memcpy(&g_probe->answer, copy->lpData, sizeof(ProbeAnswer));
            g_probe->answered = true;
        }
        return TRUE;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

Probe::~Probe() {
    if (hook) UnhookWindowsHookEx(hook);
    if (return_hook) UnhookWindowsHookEx(return_hook);
    if (sink) DestroyWindow(sink);
    if (dll) FreeLibrary(dll);
    if (g_probe == this) g_probe = nullptr;
}

bool StartZenaProbed(Process& zena, Probe& probe) {
    HINSTANCE const instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA sink_class = {};
    sink_class.cbSize = sizeof(sink_class);
    sink_class.lpfnWndProc = SinkProc;
    sink_class.hInstance = instance;
    sink_class.lpszClassName = PROBE_SINK_CLASS;
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof(existing);
    if (!GetClassInfoExA(instance, PROBE_SINK_CLASS, &existing)) RegisterClassExA(&sink_class);
    if (!probe.sink) {
        // Hidden and top-level, so the probe finds it with FindWindowA.
        probe.sink = CreateWindowExA(0, PROBE_SINK_CLASS, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                     nullptr, instance, nullptr);
    }
    if (!probe.sink) {
        Note("probe: no sink window (error %lu)", static_cast<unsigned long>(GetLastError()));
        return false;
    }
    g_probe = &probe;

    std::string const dll_path = ProgramPath32("probe32.dll");
    if (!probe.dll) probe.dll = LoadLibraryA(dll_path.c_str());
    HOOKPROC const procedure = probe.dll ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(
                                               GetProcAddress(probe.dll, "ProbeCallWndProc")))
                                         : nullptr;
    HOOKPROC const return_procedure =
        probe.dll ? reinterpret_cast<HOOKPROC>(
                        reinterpret_cast<void*>(GetProcAddress(probe.dll, "ProbeCallWndRetProc")))
                  : nullptr;
    if (!procedure || !return_procedure) {
        Note("probe: %s not loaded (error %lu)", dll_path.c_str(),
             static_cast<unsigned long>(GetLastError()));
        return false;
    }

    if (!StartProgram(zena, "\"" + ZenaExePath() + "\"", CREATE_SUSPENDED)) return false;
    probe.hook = SetWindowsHookExA(WH_CALLWNDPROC, procedure, probe.dll, zena.tid);
    probe.return_hook = SetWindowsHookExA(WH_CALLWNDPROCRET, return_procedure, probe.dll, zena.tid);
    if (!probe.hook || !probe.return_hook) {
        Note("probe: hook on zena's thread failed (error %lu)",
             static_cast<unsigned long>(GetLastError()));
        EndProcess(zena);
        return false;
    }
    ResumeThread(zena.thread);
    return true;
}

bool QueryHost(Probe& probe, HWND host) {
    probe.answered = false;
    DWORD_PTR result = 0;
    // The answer arrives as a WM_COPYDATA sent back while this send waits.
    SendMessageTimeoutA(host, RegisterWindowMessageA(PROBE_QUERY_MESSAGE), PROBE_QUERY_ANSWER, 0,
                        SMTO_ABORTIFHUNG, 5000, &result);
    return WaitUntil(2000, [&probe] { return probe.answered; });
}

int CountProbeEvents(const Probe& probe, uint32_t message, uint32_t window) {
    int count = 0;
    for (const ProbeEvent& event : probe.events) {
        if (event.message == message && (window == 0 || event.window == window)) ++count;
    }
    return count;
}

bool HoldZena(HWND host, DWORD ms) {
    return SendNotifyMessageA(host, RegisterWindowMessageA(PROBE_QUERY_MESSAGE), PROBE_QUERY_HOLD,
                              static_cast<LPARAM>(ms)) != FALSE;
}
