; stripes.asm - fills the PMD 85 video memory with a stripe pattern, then
; waits forever. 8080 assembly in Intel mnemonics; each line's comment
; begins with its address and bytes, which examples/stripes.bin holds.
;
; Build the snapshot (from the project root, after building quillet):
;   build/quillet -o build/stripes.zvk -pack -mem 0 examples/stripes.bin -reg PC 0
; or assemble this file first, with asm80 for example:
;   asm80 -m I8080 -t hex -o stripes.hex stripes.asm
;   objcopy -I ihex -O binary stripes.hex stripes.bin
;
; The video memory of the PMD 85 occupies 0C000h..0FFFFh: 64 bytes per
; scan line, of which bit 0..5 of each byte are six pixels (bit 0 leftmost)
; and bits 6..7 select the colour attribute. The pattern below takes the low
; six bits of each address: byte n of every scan line holds n, so all lines
; are the same and the picture shows vertical stripes (narrow ones where
; the low bits of n change often, wide ones where its high bits do); the
; attribute bits stay 0.

        ORG     0000h
start:  DI                  ; 0000 F3        no interrupts needed
        LXI     SP,8000h    ; 0001 31 00 80  stack just below 8000h
        LXI     H,0C000h    ; 0004 21 00 C0  HL = first video byte
fill:   MOV     A,L         ; 0007 7D        pattern from the address
        ANI     3Fh         ; 0008 E6 3F     six pixel bits, attribute 0
        MOV     M,A         ; 000A 77        store into video memory
        INX     H           ; 000B 23        next byte; wraps to 0000h
        MOV     A,H         ; 000C 7C          after 0FFFFh
        ORA     L           ; 000D B5        HL = 0 once all is filled
        JNZ     fill        ; 000E C2 07 00
halt:   JMP     halt        ; 0011 C3 11 00  stay here
        END     start
