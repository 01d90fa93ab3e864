; checks.asm - draws a chequerboard on the PMD 85 screen, then waits
; forever; its routine vaddr, which finds a byte of the video memory, is
; worth a test of its own. 8080 assembly in Intel mnemonics; each line's
; comment begins with its address and bytes, which examples/checks.bin
; holds. README's "Testing your program" assembles it with asm80, runs,
; checks and pictures it with quillet-run from a Makefile, the labels taken
; from asm80's listing.
;
; Build the snapshot (from the project root, after building quillet):
;   build/quillet -o build/checks.zvk -pack -mem 0 examples/checks.bin -reg PC 0
; or assemble this file first, with asm80 for example (it writes checks.bin
; and the listing checks.lst, whose symbol table quillet-run reads):
;   asm80 -m I8080 -t bin -o checks.bin checks.asm
;
; The video memory occupies 0C000h..0FFFFh, 64 bytes per scan line, of
; which the first 48 are seen: bits 0..5 of a byte are six pixels (bit 0
; leftmost), bits 6..7 the colour attribute. Every square of the board is
; one byte (six pixels) wide and eight lines high; the top left one is dark.
;
        ORG     0000h
start:  DI                  ; 0000 F3        no interrupts needed
        LXI     SP,8000h    ; 0001 31 00 80  stack just below 8000h
        MVI     B,0         ; 0004 06 00     B = scan line, 0..255
line:   MOV     A,B         ; 0006 78
        MVI     C,0         ; 0007 0E 00
        CALL    vaddr       ; 0009 CD 25 00  HL = its first byte
        MOV     A,B         ; 000C 78
        ANI     08h         ; 000D E6 08     lines 8..15, 24..31, ...
        JZ      first       ; 000F CA 14 00    start lit, the others
        MVI     A,3Fh       ; 0012 3E 3F       dark
first:  MVI     C,48        ; 0014 0E 30     48 visible bytes
byte:   MOV     M,A         ; 0016 77
        XRI     3Fh         ; 0017 EE 3F     lit, dark, lit, ...
        INX     H           ; 0019 23
        DCR     C           ; 001A 0D
        JNZ     byte        ; 001B C2 16 00
        INR     B           ; 001E 04        0 again after line 255
        JNZ     line        ; 001F C2 06 00
done:   JMP     done        ; 0022 C3 22 00  the board is drawn
;
; vaddr: HL = 0C000h + 64 * A + C, the byte C (0..63) of scan line A.
; Changes A and the flags; keeps BC and DE.
vaddr:  MOV     L,A         ; 0025 6F
        MVI     H,0         ; 0026 26 00
        DAD     H           ; 0028 29        HL = 64 * A (below 4000h)
        DAD     H           ; 0029 29
        DAD     H           ; 002A 29
        DAD     H           ; 002B 29
        DAD     H           ; 002C 29
        DAD     H           ; 002D 29
        MOV     A,H         ; 002E 7C
        ORI     0C0h        ; 002F F6 C0     + 0C000h
        MOV     H,A         ; 0031 67
        MOV     A,L         ; 0032 7D
        ORA     C           ; 0033 B1        + C: the low six bits of
        MOV     L,A         ; 0034 6F          L are 0
        RET                 ; 0035 C9
        END     start
