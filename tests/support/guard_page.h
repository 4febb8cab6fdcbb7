// Text that ends right where a guard page begins, for tests that a function
// reads no further than it should. A no-access page would not do: some
// system string functions (lstrlenW, lstrcpynW, ...) catch the fault of a
// read past the end themselves and return as if the text ended there. A
// guard page that is touched loses its guard for good, whoever catches the
// fault, so Touched() tells afterwards. A handler lets the touching read or
// write go on, into zeros, so that the call still returns.
#ifndef TOLVARIS_GUARD_PAGE_H
#define TOLVARIS_GUARD_PAGE_H

#include <windows.h>

class GuardedText {
public:
    // Room for chars wide characters, the last one right before the guard.
    explicit GuardedText(size_t chars)
    {
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        page_ = system.dwPageSize;
        const size_t bytes = (chars * sizeof(wchar_t) + page_ - 1) / page_ * page_;
        base_ = (unsigned char *)VirtualAlloc(NULL, bytes + page_, MEM_RESERVE | MEM_COMMIT,
                                              PAGE_READWRITE);
        if (!base_)
            return;
        guard_ = base_ + bytes;
        text_ = (wchar_t *)guard_ - chars;
        current_ = this;
        handler_ = AddVectoredExceptionHandler(1, LetThrough);
        Arm();
    }
    ~GuardedText()
    {
        current_ = NULL;
        if (handler_)
            RemoveVectoredExceptionHandler(handler_);
        if (base_)
            VirtualFree(base_, 0, MEM_RELEASE);
    }
    bool Ready() const { return handler_ && Armed(); }
    wchar_t *Text() const { return text_; }
    // Puts the guard back, for the next call.
    void Arm()
    {
        DWORD old;
        VirtualProtect(guard_, page_, PAGE_READWRITE | PAGE_GUARD, &old);
    }
    bool Touched() const { return !Armed(); }

private:
    bool Armed() const
    {
        MEMORY_BASIC_INFORMATION info;
        return VirtualQuery(guard_, &info, sizeof info) && (info.Protect & PAGE_GUARD);
    }
    static LONG WINAPI LetThrough(EXCEPTION_POINTERS *fault)
    {
        const EXCEPTION_RECORD *record = fault->ExceptionRecord;
        if (!current_ || record->ExceptionCode != STATUS_GUARD_PAGE_VIOLATION ||
            record->NumberParameters < 2)
            return EXCEPTION_CONTINUE_SEARCH;
        auto address = (unsigned char *)record->ExceptionInformation[1];
        if (address < current_->guard_ || address >= current_->guard_ + current_->page_)
            return EXCEPTION_CONTINUE_SEARCH;
        return EXCEPTION_CONTINUE_EXECUTION; // the guard is gone: the access now succeeds
    }

    static inline GuardedText *current_ = NULL;
    size_t page_ = 0;
    unsigned char *base_ = NULL, *guard_ = NULL;
    wchar_t *text_ = NULL;
    void *handler_ = NULL;
};

#endif
