// The application framework's module and message loop: the application module (the instance
// handle for resources and the message loop of the thread), message filters, idle handlers and
// the loop that runs them.
//
//     CAppModule module;
//     module.Init(hInstance);
//     CMessageLoop loop;
//     module.AddMessageLoop(&loop);
//     ... create the main window ...
//     const int result = loop.Run();  // the WM_QUIT code
//     module.RemoveMessageLoop();
//     module.Term();
#pragma once

#include <objbase.h>
#include <windows.h>

#include <algorithm>
#include <map>
#include <thread>
#include <vector>

// Offered every message before it is translated and dispatched; TRUE when it took the message.
class CMessageFilter {
public:
    virtual BOOL PreTranslateMessage(MSG* pMsg) = 0;

protected:
    ~CMessageFilter() = default;
};

// Called when the queue has become empty; TRUE when it wants to be called again before the next
// message.
class CIdleHandler {
public:
    virtual BOOL OnIdle() = 0;

protected:
    ~CIdleHandler() = default;
};

class CMessageLoop {
public:
    virtual ~CMessageLoop() = default;

    BOOL AddMessageFilter(CMessageFilter* pFilter) { return Add(m_aMsgFilter, pFilter); }
    BOOL RemoveMessageFilter(CMessageFilter* pFilter) { return Remove(m_aMsgFilter, pFilter); }
    BOOL AddIdleHandler(CIdleHandler* pHandler) { return Add(m_aIdleHandler, pHandler); }
    BOOL RemoveIdleHandler(CIdleHandler* pHandler) { return Remove(m_aIdleHandler, pHandler); }

    // Runs until WM_QUIT and returns its exit code. Each message goes first to the filters (the
    // last added first), then, when none took it, to TranslateMessage and DispatchMessageW. The
    // idle handlers run whenever the queue has become empty.
    int Run() {
        bool doIdle = true;
        for (;;) {
            while (doIdle && !PeekMessageW(&m_msg, nullptr, 0, 0, PM_NOREMOVE)) {
                if (!OnIdle()) doIdle = false;
            }
            const BOOL result = GetMessageW(&m_msg, nullptr, 0, 0);
            if (result == -1) return -1;  // only for a bad MSG pointer: never here
            if (!result) break;
            if (!PreTranslateMessage(&m_msg)) {
                TranslateMessage(&m_msg);
                DispatchMessageW(&m_msg);
            }
            if (IsIdleMessage(&m_msg)) doIdle = true;
        }
        return static_cast<int>(m_msg.wParam);
    }

    virtual BOOL PreTranslateMessage(MSG* pMsg) {
        // By index, from the last: a filter may remove itself (or others) while it runs.
        for (size_t i = m_aMsgFilter.size(); i > 0; --i) {
            if (i - 1 < m_aMsgFilter.size() && m_aMsgFilter[i - 1]->PreTranslateMessage(pMsg)) {
                return TRUE;
            }
        }
        return FALSE;
    }

    virtual BOOL OnIdle() {
        BOOL again = FALSE;
        for (size_t i = 0; i < m_aIdleHandler.size(); ++i) again |= m_aIdleHandler[i]->OnIdle();
        return again;
    }

    // Messages after which the idle handlers run again; timer ticks do not count.
    static BOOL IsIdleMessage(const MSG* pMsg) { return pMsg->message != WM_TIMER; }

    MSG m_msg{};

protected:
    std::vector<CMessageFilter*> m_aMsgFilter;
    std::vector<CIdleHandler*> m_aIdleHandler;

private:
    template <typename T>
    static BOOL Add(std::vector<T*>& list, T* item) {
        if (!item || std::find(list.begin(), list.end(), item) != list.end()) return FALSE;
        list.push_back(item);
        return TRUE;
    }
    template <typename T>
    static BOOL Remove(std::vector<T*>& list, T* item) {
        auto found = std::find(list.begin(), list.end(), item);
        if (found == list.end()) return FALSE;
        list.erase(found);
        return TRUE;
    }
};

// The application: its instance handle (where resources are looked up) and the message loop of
// each thread. One per program, alive from Init to Term.
class CAppModule {
public:
    CAppModule() = default;
    CAppModule(const CAppModule&) = delete;
    CAppModule& operator=(const CAppModule&) = delete;
    ~CAppModule() {
        if (Current() == this) Current() = nullptr;
    }

    HRESULT Init(HINSTANCE hInstance) {
        m_hInst = hInstance ? hInstance : GetModuleHandleW(nullptr);
        Current() = this;
        return S_OK;
    }
    void Term() {
        m_loops.clear();
        if (Current() == this) Current() = nullptr;
    }

    HINSTANCE GetModuleInstance() const { return m_hInst; }
    HINSTANCE GetResourceInstance() const { return m_hInst; }

    // Registers the calling thread's loop; FALSE when the thread has one already.
    BOOL AddMessageLoop(CMessageLoop* pLoop) {
        if (!pLoop) return FALSE;
        return m_loops.emplace(std::this_thread::get_id(), pLoop).second ? TRUE : FALSE;
    }
    BOOL RemoveMessageLoop() { return m_loops.erase(std::this_thread::get_id()) ? TRUE : FALSE; }
    // The loop of the calling thread, or null.
    CMessageLoop* GetMessageLoop() const {
        auto found = m_loops.find(std::this_thread::get_id());
        return found == m_loops.end() ? nullptr : found->second;
    }

    // The module that was initialised last, or null.
    static CAppModule*& Current() {
        static CAppModule* current = nullptr;
        return current;
    }
    // Where the framework's windows and dialogs load their resources: the current module's
    // instance, else the program's own.
    static HINSTANCE ResourceInstance() {
        return Current() ? Current()->GetResourceInstance() : GetModuleHandleW(nullptr);
    }

private:
    HINSTANCE m_hInst = nullptr;
    std::map<std::thread::id, CMessageLoop*> m_loops;
};
