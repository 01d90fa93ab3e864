; checks.asm - draws a chequerboard on the PMD 85 screen, then waits
; forever; its routine vaddr, which finds a byte of the video memory, is
; worth a test of its own. 8080 assembly; the hand-assembled bytes are in
; checks.bin. README's "Testing your program" runs, checks and pictures it
; with quillet-run from a Makefile.
;
; Build the snapshot (from the project root, after building quillet):
;   build/quillet -o build/checks.zvk -pack -mem 0 examples/checks.bin -reg PC 0
;
; The video memory occupies 0C000h..0FFFFh, 64 bytes per scan line, of
; which the first 48 are seen: bits 0..5 of a byte are six pixels (bit 0
; leftmost), bits 6..7 the colour attribute. Every square of the board is
; one byte (six pixels) wide and eight lines high; the top left one is dark.
;
; addr  bytes       source
                    ORG     0000h
0000    F3          start:  DI                  ; no interrupts needed
0001    31 00 80            LXI     SP,8000h    ; stack just below 8000h
0004    06 00               MVI     B,0         ; B = scan line, 0..255
0006    78          line:   MOV     A,B
0007    0E 00               MVI     C,0
0009    CD 25 00            CALL    vaddr       ; HL = its first byte
000C    78                  MOV     A,B
000D    E6 08               ANI     08h         ; lines 8..15, 24..31, ...
000F    CA 14 00            JZ      first       ;   start lit, the others
0012    3E 3F               MVI     A,3Fh       ;   dark
0014    0E 30       first:  MVI     C,48        ; 48 visible bytes
0016    77          byte:   MOV     M,A
0017    EE 3F               XRI     3Fh         ; lit, dark, lit, ...
0019    23                  INX     H
001A    0D                  DCR     C
001B    C2 16 00            JNZ     byte
001E    04                  INR     B           ; 0 again after line 255
001F    C2 06 00            JNZ     line
0022    C3 22 00    done:   JMP     done        ; the board is drawn
;
; vaddr: HL = 0C000h + 64 * A + C, the byte C (0..63) of scan line A.
; Changes A and the flags; keeps BC and DE.
0025    6F          vaddr:  MOV     L,A
0026    26 00               MVI     H,0
0028    29                  DAD     H           ; HL = 64 * A (below 4000h)
0029    29                  DAD     H
002A    29                  DAD     H
002B    29                  DAD     H
002C    29                  DAD     H
002D    29                  DAD     H
002E    7C                  MOV     A,H
002F    F6 C0               ORI     0C0h        ; + 0C000h
0031    67                  MOV     H,A
0032    7D                  MOV     A,L
0033    B1                  ORA     C           ; + C: the low six bits of
0034    6F                  MOV     L,A         ;   L are 0
0035    C9                  RET
                    END     start
