// The program's entry: one instance at a time, MainWindow and its editor, the stored settings, the file
// named on the command line, and the message loop.
#include "app/app.h"
#include "document/document.h"
#include "document/textfile.h"
#include "editing/editor.h"
#include "settings/recent.h"
#include "settings/settings.h"

HINSTANCE InstanceHandle = nullptr;

namespace {

constexpr int kInstanceAttempts = 5;
constexpr DWORD kFindWindowRetryMs = 500;

// The other instance may still be starting: its mutex exists before its window does.
HWND FindOtherInstanceWindow(LPCWSTR className, LPCWSTR windowTitle) {
    HWND other = FindWindowW(className, windowTitle);
    if (!other) {
        Sleep(kFindWindowRetryMs);
        other = FindWindowW(className, windowTitle);
    }
    return other;
}

// The desktop's shell puts quotes round a path that holds a space: the file is what they enclose.
WString StartupPath(LPCWSTR commandLine) {
    if (!commandLine) return WString();
    if (commandLine[0] != TEXT('"')) return WString(commandLine);
    const WCHAR *end = wcschr(commandLine + 1, TEXT('"'));
    return end ? WString(commandLine + 1, size_t(end - commandLine - 1)) : WString(commandLine + 1);
}

bool RegisterMainWindowClass(HINSTANCE instance) {
    WNDCLASSW wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = SCRIVEL_CLASS_NAME;
    return RegisterClassW(&wc) != 0;
}

HWND CreateMainWindow(HINSTANCE instance) {
    return CreateWindowExW(0, SCRIVEL_CLASS_NAME, TEXT("Scrivel"), WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
}

void LoadStoredFont() {
    OpenSettingsKey();
    if (LoadFontSetting()) ApplyEditorFont();
}

int RunMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return (int)msg.wParam;
}

}  // namespace

HRESULT EnsureSingleInstance(LPCWSTR className, LPCWSTR windowTitle, bool *alreadyRunning) {
    *alreadyRunning = false;
    for (int attempt = 0; attempt < kInstanceAttempts; ++attempt) {
        HANDLE mutex = CreateMutexW(nullptr, FALSE, className);
        if (!mutex) return E_FAIL;
        // The first instance keeps its mutex open until the process ends.
        if (GetLastError() != ERROR_ALREADY_EXISTS) return S_OK;
        CloseHandle(mutex);
        HWND other = FindOtherInstanceWindow(className, windowTitle);
        if (other) {
            // The lowest bit brings the window's owned windows forward with it.
            SetForegroundWindow((HWND)((ULONG_PTR)other | 1));
            *alreadyRunning = true;
            return S_OK;
        }
    }
    return E_FAIL;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int showCommand) {
    InstanceHandle = instance;
    bool alreadyRunning = false;
    if (FAILED(EnsureSingleInstance(SCRIVEL_CLASS_NAME, nullptr, &alreadyRunning)) || alreadyRunning) return 0;
    if (!RegisterMainWindowClass(instance)) return 0;
    MainWindow = CreateMainWindow(instance);
    if (!MainWindow) return 0;
    CreateEditorControl(MainWindow, false);
    LoadStoredFont();
    LoadRecentFiles();
    SetFocus(EditorControl);
    WString path = StartupPath(commandLine);
    ReadStartupFile(path.c_str());
    SetStartupTitle(path.c_str());
    ShowWindow(MainWindow, showCommand);
    UpdateWindow(MainWindow);
    ReportStartupFileProblem();
    return RunMessageLoop();
}
