#!/usr/bin/env python3
# Draws the three sample wallpapers (320x240, 24-bit BMP) into the current
# directory. wallpapers.lzh was made from them once with:
#   jlha c1o5 wallpapers.lzh SUNSET.BMP SEA.BMP NIGHT.BMP
import struct, math, random
W,H=320,240
def bmp(name, px):
    row=(W*3+3)&~3
    data=bytearray()
    for y in range(H-1,-1,-1):
        r=bytearray()
        for x in range(W):
            R,G,B=px(x,y); r+=bytes((B,G,R))
        r+=b'\0'*(row-W*3); data+=r
    hdr=b'BM'+struct.pack('<IHHI',14+40+len(data),0,0,54)+struct.pack('<IiiHHIIiiII',40,W,H,1,24,0,len(data),2835,2835,0,0)
    open(name,'wb').write(hdr+data)
def clamp(v): return max(0,min(255,int(v)))
def sunset(x,y):
    t=y/H
    R,G,B=255-40*t, 120+60*(1-t)-80*t, 60+100*t
    d=math.hypot(x-160,y-150)
    if d<40: R,G,B=255,220-d,120
    if y>170:
        w=math.sin(x/9+y*0.8)*10; R,G,B=40+w+60*(1-(y-170)/70),30+w,80+w*2
    return clamp(R),clamp(G),clamp(B)
def sea(x,y):
    if y<90:
        t=y/90; return clamp(120+80*t),clamp(180+50*t),255
    w=math.sin(x/14+math.sin(y/7)*2)*18
    return clamp(10+w),clamp(90+w+y/6),clamp(150+w)
random.seed(7)
stars={(random.randrange(W),random.randrange(H)) for _ in range(220)}
def night(x,y):
    t=y/H
    if (x,y) in stars: return 255,255,220
    if math.hypot(x-250,y-50)<22 and math.hypot(x-240,y-45)>=20: return 250,240,190
    hill=200-30*math.sin(x/40)
    if y>hill: return 10,30+int(10*math.sin(x/5)),20
    return clamp(10+20*t),clamp(15+30*t),clamp(50+70*t)
bmp('SUNSET.BMP',sunset); bmp('SEA.BMP',sea); bmp('NIGHT.BMP',night)
