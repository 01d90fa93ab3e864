; stripes.asm - fills the PMD 85 video memory with a stripe pattern, then
; waits forever. 8080 assembly; the hand-assembled bytes are in stripes.bin.
;
; Build the snapshot (from the project root, after building quillet):
;   build/quillet -o build/stripes.zvk -pack -mem 0 examples/stripes.bin -reg PC 0
;
; The video memory of the PMD 85 occupies 0C000h..0FFFFh: 64 bytes per
; scan line, of which bit 0..5 of each byte are six pixels (bit 0 leftmost)
; and bits 6..7 select the colour attribute. The pattern below takes the low
; six bits of each address, so every scan line shows the same diagonal ramp
; of pixels and the attribute bits stay 0.
;
; addr  bytes       source
                    ORG     0000h
0000    F3          start:  DI                  ; no interrupts needed
0001    31 00 80            LXI     SP,8000h    ; stack just below 8000h
0004    21 00 C0            LXI     H,0C000h    ; HL = first video byte
0007    7D          fill:   MOV     A,L         ; pattern from the address
0008    E6 3F               ANI     3Fh         ; six pixel bits, attribute 0
000A    77                  MOV     M,A         ; store into video memory
000B    23                  INX     H           ; next byte; wraps to 0000h
000C    7C                  MOV     A,H         ;   after 0FFFFh
000D    B5                  ORA     L           ; HL = 0 once all is filled
000E    C2 07 00            JNZ     fill
0011    C3 11 00    halt:   JMP     halt        ; stay here
                    END     start
