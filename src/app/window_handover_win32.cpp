// SPDX-License-Identifier: MIT
// The hand-over by a window message: the running window makes a
// message-only window named for the folder, which Qt's event loop serves as
// it serves the thread's other windows; a second start finds it by name and
// sends it the request. Message-only windows are seen only on their own
// desktop, so another user's session can neither find this one nor offer
// one of its own.
#include "window_handover.h"

#include <windows.h>

namespace tavelin::app {
namespace {

constexpr wchar_t kWindowClass[] = L"TavelinHandOver";

// The request and the answer: messages registered under the protocol's
// lines, the same numbers in every process of the session; 0 when the
// system has none left, which is then never sent nor taken for an answer.
UINT Registered(const char* line) { return RegisterWindowMessageW(QString::fromLatin1(line).toStdWString().c_str()); }

// The TOKEN_USER of a process, empty when it cannot be read.
QByteArray UserOf(HANDLE process)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token))
        return {};
    QByteArray user(256, '\0'); // room for the longest SID
    DWORD size = 0;
    const bool read = GetTokenInformation(token, TokenUser, user.data(), static_cast<DWORD>(user.size()), &size);
    CloseHandle(token);
    return read ? user : QByteArray();
}

// The process `pid` runs as the user this one runs as.
bool SameUser(DWORD pid)
{
    HANDLE other = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!other)
        return false;
    QByteArray theirs = UserOf(other);
    CloseHandle(other);
    QByteArray ours = UserOf(GetCurrentProcess());
    auto sid = [](QByteArray& user) { return reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid; };
    return !theirs.isEmpty() && !ours.isEmpty() && EqualSid(sid(theirs), sid(ours));
}

} // namespace

struct HandOverServer::Listener {
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window = nullptr;
    bool classRegistered = false;
};

// Every request is answered, whoever sends it: coming forward is all it can
// make this window do.
LRESULT CALLBACK HandOverServer::Listener::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* const server = reinterpret_cast<HandOverServer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    const UINT request = Registered(kRaiseRequest);
    if (!server || request == 0 || message != request)
        return DefWindowProcW(window, message, wParam, lParam);
    server->raise_();
    return Registered(kRaisedAnswer);
}

HandOverServer::HandOverServer(std::function<void()> raise)
    : listener_(std::make_unique<Listener>()), raise_(std::move(raise))
{
}

HandOverServer::~HandOverServer()
{
    if (listener_->window)
        DestroyWindow(listener_->window);
    // Fails, harmlessly, while another server of this process has a window of the class.
    if (listener_->classRegistered)
        UnregisterClassW(kWindowClass, GetModuleHandleW(nullptr));
}

bool HandOverServer::Listen(const QString& name)
{
    const std::wstring title = name.toStdWString();
    // A window of this name lives only as long as its process, and that
    // process would hold the folder's lock, which the caller holds: one
    // found is none of ours (a copy of this user's that has somehow lost
    // its lock). Nothing can take over a window of another process, so the
    // window runs without the hand-over rather than have two answer.
    if (name.isEmpty() || FindWindowExW(HWND_MESSAGE, nullptr, kWindowClass, title.c_str()))
        return false;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &Listener::Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    if (RegisterClassExW(&windowClass))
        listener_->classRegistered = true;
    else if (GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return false;
    listener_->window = CreateWindowExW(0, kWindowClass, title.c_str(), 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        windowClass.hInstance, nullptr);
    if (!listener_->window)
        return false;
    SetWindowLongPtrW(listener_->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return true;
}

// The window answers only another process of this user: this one never
// asks itself, nor would a window of somebody else's be one of ours. This
// start is the one the operator just made, which holds the right to bring a
// window to the front; it hands that right on so that the running window
// can come forward rather than only flash in the task bar.
bool AskToRaise(const QString& name)
{
    const UINT request = Registered(kRaiseRequest);
    const UINT raised = Registered(kRaisedAnswer);
    if (name.isEmpty() || request == 0 || raised == 0)
        return false;
    HWND window = FindWindowExW(HWND_MESSAGE, nullptr, kWindowClass, name.toStdWString().c_str());
    DWORD owner = 0;
    if (!window || !GetWindowThreadProcessId(window, &owner) || owner == GetCurrentProcessId() || !SameUser(owner))
        return false;
    AllowSetForegroundWindow(owner);
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, request, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kHandOverWaitMs, &answer))
        return false;
    return answer == raised;
}

} // namespace tavelin::app
