// The stack probe Tolvaris.dll links: our own __chkstk in MSVC-style builds,
// libgcc's ___chkstk_ms in MinGW-style ones. bin/stack_probe.dll exports it
// as StackProbe, built by the plug-in's toolchain from the same object file or
// libgcc member.
//
// Under Wine a thread's whole stack is committed at once, so the plug-in's
// 16 KB frames work even with a probe that does nothing. Here the probe runs
// on a stack laid out by the test: a read-write top, where the probe is
// called, and no-access pages below it. Each page the probe touches faults
// once; a handler records it, opens it and lets the probe go on. The
// read-write top is needed: a fault is handled on the stack it happens on.
#include <stdio.h>
#include <string.h>

#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "support/support.h"

// The general registers as the probe left them, stored by RunProbe below.
struct Registers {
    unsigned long long rax, rbx, rcx, rdx, rsi, rdi, rbp, rsp, r8, r9, r12, r13, r14, r15;
};

static bool operator==(const Registers &a, const Registers &b)
{
    return memcmp(&a, &b, sizeof a) == 0;
}

static void PrintTo(const Registers &r, std::ostream *out)
{
    const unsigned long long *value = &r.rax;
    const char *names[] = {"rax", "rbx", "rcx", "rdx", "rsi", "rdi", "rbp",
                           "rsp", "r8",  "r9",  "r12", "r13", "r14", "r15"};
    char text[32];
    for (const char *name : names) {
        snprintf(text, sizeof text, " %s=%llx", name, *value++);
        *out << text;
    }
}

namespace {

// What RunProbe puts in every register it may before the call, so that a
// changed register shows; r10 and r11 are the probe's to change.
constexpr unsigned long long Fill = 0x0101010101010101ull;
Registers Expected(unsigned long long size, unsigned long long top)
{
    return {size, Fill * 1, Fill * 2, Fill * 3, Fill * 4,  Fill * 5,  Fill * 6,
            top,  Fill * 7, Fill * 8, Fill * 9, Fill * 10, Fill * 11, Fill * 12};
}

} // namespace

extern "C" {
// Runs probe with RAX = size, the stack pointer at top and every other
// register filled, then stores the registers in ProbeLeft. Not reentrant.
void RunProbe(void *probe, void *top, unsigned long long size);
Registers ProbeLeft;
void *ProbeCaller; // RunProbe's own stack pointer while the probe runs
}

// Windows x64 calling convention: probe in RCX, top in RDX, size in R8.
asm(R"(
    .text
    .globl RunProbe
RunProbe:
    push %rbx
    push %rbp
    push %rdi
    push %rsi
    push %r12
    push %r13
    push %r14
    push %r15
    mov  %rsp, ProbeCaller(%rip)
    mov  %rdx, %rsp
    mov  %r8, %rax
    mov  %rcx, %r10
    movabs $0x0101010101010101, %rbx
    lea  (%rbx, %rbx), %rcx
    lea  (%rcx, %rbx), %rdx
    lea  (%rdx, %rbx), %rsi
    lea  (%rsi, %rbx), %rdi
    lea  (%rdi, %rbx), %rbp
    lea  (%rbp, %rbx), %r8
    lea  (%r8, %rbx), %r9
    lea  (%r9, %rbx), %r12
    lea  (%r12, %rbx), %r13
    lea  (%r13, %rbx), %r14
    lea  (%r14, %rbx), %r15
    call *%r10
    mov  %rax, ProbeLeft+0(%rip)
    mov  %rbx, ProbeLeft+8(%rip)
    mov  %rcx, ProbeLeft+16(%rip)
    mov  %rdx, ProbeLeft+24(%rip)
    mov  %rsi, ProbeLeft+32(%rip)
    mov  %rdi, ProbeLeft+40(%rip)
    mov  %rbp, ProbeLeft+48(%rip)
    mov  %rsp, ProbeLeft+56(%rip)
    mov  %r8, ProbeLeft+64(%rip)
    mov  %r9, ProbeLeft+72(%rip)
    mov  %r12, ProbeLeft+80(%rip)
    mov  %r13, ProbeLeft+88(%rip)
    mov  %r14, ProbeLeft+96(%rip)
    mov  %r15, ProbeLeft+104(%rip)
    mov  ProbeCaller(%rip), %rsp
    pop  %r15
    pop  %r14
    pop  %r13
    pop  %r12
    pop  %rsi
    pop  %rdi
    pop  %rbp
    pop  %rbx
    ret
)");

namespace {

void *StackProbe()
{
    static HMODULE dll = LoadLibraryW(StackProbePath().c_str());
    return dll ? (void *)GetProcAddress(dll, "StackProbe") : NULL;
}

// A stack of no-access pages under a read-write top. The handler records
// the page of each fault inside the no-access part, in order, and opens it.
class ProbeStack {
public:
    static constexpr size_t Page = 4096;
    static constexpr size_t NoAccessPages = 12;
    // Room for the fault handling: the system's exception records and
    // dispatcher, the handler and VirtualProtect, on the faulting stack.
    static constexpr size_t ReadWritePages = 8;
    static constexpr size_t MaxTouched = 64;

    ProbeStack()
    {
        base_ = (unsigned char *)VirtualAlloc(NULL, (NoAccessPages + ReadWritePages) * Page,
                                              MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS);
        DWORD old;
        touched_.reserve(MaxTouched); // no allocating in the handler
        if (base_ && VirtualProtect(Limit(), ReadWritePages * Page, PAGE_READWRITE, &old))
            handler_ = AddVectoredExceptionHandler(1, Record);
        current_ = this;
    }
    ~ProbeStack()
    {
        current_ = NULL;
        if (handler_)
            RemoveVectoredExceptionHandler(handler_);
        if (base_)
            VirtualFree(base_, 0, MEM_RELEASE);
    }
    bool Ready() const { return handler_ != NULL; }
    // Where the read-write top ends and the no-access pages begin.
    unsigned char *Limit() const { return base_ + NoAccessPages * Page; }
    unsigned char *Top() const { return Limit() + ReadWritePages * Page; }
    // The no-access pages touched, in order, numbered downwards from the
    // limit: 0 is the page right under it.
    const std::vector<int> &Touched() const { return touched_; }

private:
    static LONG WINAPI Record(EXCEPTION_POINTERS *fault)
    {
        const EXCEPTION_RECORD *record = fault->ExceptionRecord;
        ProbeStack *stack = current_;
        if (!stack || record->ExceptionCode != EXCEPTION_ACCESS_VIOLATION ||
            record->NumberParameters < 2)
            return EXCEPTION_CONTINUE_SEARCH;
        auto address = (unsigned char *)record->ExceptionInformation[1];
        if (address < stack->base_ || address >= stack->Limit() ||
            stack->touched_.size() >= MaxTouched)
            return EXCEPTION_CONTINUE_SEARCH;
        size_t below = (size_t)(stack->Limit() - address - 1) / Page;
        stack->touched_.push_back((int)below);
        DWORD old;
        VirtualProtect(stack->Limit() - (below + 1) * Page, Page, PAGE_READWRITE, &old);
        return EXCEPTION_CONTINUE_EXECUTION;
    }

    static ProbeStack *current_;
    unsigned char *base_ = NULL;
    void *handler_ = NULL;
    std::vector<int> touched_;
};
ProbeStack *ProbeStack::current_ = NULL;

struct ProbeCase {
    const char *what;
    size_t topBelowPage; // the caller's stack pointer, this far under the top
    size_t reach;        // how far the frame reaches under the read-write top
    std::vector<int> touched;
};

TEST(StackProbe, TouchesEveryPageOfTheFrameFromTheTopDownAndNothingBelow)
{
    ASSERT_NE(StackProbe(), nullptr) << Utf8(StackProbePath()) << " and its StackProbe";
    const size_t page = ProbeStack::Page;
    const ProbeCase cases[] = {
        {"frame ends on a page boundary", 0x40, 3 * page, {0, 1, 2}},
        {"frame ends just inside a page", 0x40, 3 * page + 8, {0, 1, 2, 3}},
        {"one byte into the first page", 0x40, 1, {0}},
        {"caller near a page's start", 0x10, 5 * page - 0x10, {0, 1, 2, 3, 4}},
        {"caller near a page's end", page - 0x10, 5 * page + 0x10, {0, 1, 2, 3, 4, 5}},
        {"caller mid-page, bottom mid-page",
         page / 2,
         7 * page + page / 2,
         {0, 1, 2, 3, 4, 5, 6, 7}},
        {"frame within the read-write top", 0x40, 0, {}},
    };
    for (const ProbeCase &c : cases) {
        SCOPED_TRACE(c.what);
        ProbeStack stack;
        ASSERT_TRUE(stack.Ready());
        // The frame's first pages are read-write ones, as the pages under
        // a real caller are.
        unsigned char *top = stack.Top() - c.topBelowPage;
        size_t size = (size_t)(top - stack.Limit()) + c.reach;
        RunProbe(StackProbe(), top, size);
        EXPECT_EQ(stack.Touched(), c.touched);
        EXPECT_EQ(ProbeLeft, Expected(size, (unsigned long long)top));
    }
}

// The probe exported for the test is the probe in the plug-in: its code, up
// to its first return, appears in the plug-in's image.
TEST(StackProbe, IsTheOneThePluginHolds)
{
    auto probe = (const unsigned char *)StackProbe();
    ASSERT_NE(probe, nullptr);
    size_t length = 0;
    while (length < 256 && probe[length] != 0xC3) // ret
        ++length;
    ASSERT_LT(length, 256u);
    ++length;

    auto image = (const unsigned char *)Plugin().module;
    ASSERT_NE(image, nullptr);
    auto dos = (const IMAGE_DOS_HEADER *)image;
    auto nt = (const IMAGE_NT_HEADERS64 *)(image + dos->e_lfanew);
    const IMAGE_SECTION_HEADER *section = IMAGE_FIRST_SECTION(nt);
    int found = 0;
    for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        if (!(section->Characteristics & IMAGE_SCN_MEM_EXECUTE))
            continue;
        const unsigned char *code = image + section->VirtualAddress;
        size_t size = section->Misc.VirtualSize;
        for (size_t at = 0; at + length <= size; ++at)
            found += memcmp(code + at, probe, length) == 0;
    }
    EXPECT_EQ(found, 1);
}

} // namespace
