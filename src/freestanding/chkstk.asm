; __chkstk, the stack probe that MSVC-style compilers (cl.exe, clang-cl) call
; before a function takes a frame larger than a page. It comes with the C
; runtime, which the plug-in does not link; Microsoft documents the contract:
;
;   in:   RAX, the frame's size in bytes; the frame is to span
;         [RSP + 8 - RAX, RSP + 8), below the caller's stack pointer
;   does: touches every page of the frame, from the top down
;   out:  RAX and RSP as they came; only R10, R11 and the flags changed
;
; Windows commits a thread's stack one guard page at a time, as it is first
; touched; a page touched beyond the guard page, before the pages above it,
; is an access violation. So no page may be skipped, and the walk goes down.

        .code
__chkstk PROC
        lea     r10, [rsp + 8]          ; the frame's top: the caller's stack pointer
        mov     r11, r10
        sub     r11, rax                ; the frame's bottom
        jae     next_page
        xor     r11, r11                ; larger than the address space: it will fault
next_page:
        sub     r10, 1000h              ; one page further down
        cmp     r10, r11
        jb      bottom                  ; below the frame: only its bottom is left
        test    byte ptr [r10], 0       ; a read is enough to commit a guard page
        jmp     next_page
bottom:
        test    byte ptr [r11], 0
        ret
__chkstk ENDP
        END
