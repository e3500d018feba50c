# Gives the X server's first output an 800 x 600 mode (VESA, 60 Hz) and a 1024 x 768 one at
# 75 Hz, named 1024x768_75 (VESA), as a monitor would offer, and holds them: a mode of our own
# lives only as long as the connection that made it.
# Ends when its standard input ends, so a script keeps it with: exec {fd}> >(python3 addmode.py)
import ctypes as C
import sys

import ctypes as C
x = C.CDLL("libX11.so.6"); r = C.CDLL("libXrandr.so.2")
class ModeInfo(C.Structure):
    _fields_ = [("id", C.c_ulong), ("width", C.c_uint), ("height", C.c_uint), ("dotClock", C.c_ulong),
                ("hSyncStart", C.c_uint), ("hSyncEnd", C.c_uint), ("hTotal", C.c_uint), ("hSkew", C.c_uint),
                ("vSyncStart", C.c_uint), ("vSyncEnd", C.c_uint), ("vTotal", C.c_uint),
                ("name", C.c_char_p), ("nameLength", C.c_uint), ("modeFlags", C.c_ulong)]
class Resources(C.Structure):
    _fields_ = [("timestamp", C.c_ulong), ("configTimestamp", C.c_ulong), ("ncrtc", C.c_int),
                ("crtcs", C.POINTER(C.c_ulong)), ("noutput", C.c_int), ("outputs", C.POINTER(C.c_ulong))]
x.XOpenDisplay.restype = C.c_void_p
x.XDefaultRootWindow.restype = C.c_ulong; x.XDefaultRootWindow.argtypes = [C.c_void_p]
r.XRRGetScreenResourcesCurrent.restype = C.POINTER(Resources)
r.XRRGetScreenResourcesCurrent.argtypes = [C.c_void_p, C.c_ulong]
r.XRRCreateMode.restype = C.c_ulong; r.XRRCreateMode.argtypes = [C.c_void_p, C.c_ulong, C.POINTER(ModeInfo)]
r.XRRAddOutputMode.argtypes = [C.c_void_p, C.c_ulong, C.c_ulong]
x.XSync.argtypes = [C.c_void_p, C.c_int]; x.XCloseDisplay.argtypes = [C.c_void_p]
d = x.XOpenDisplay(None); assert d, "no X display"
root = x.XDefaultRootWindow(d)
res = r.XRRGetScreenResourcesCurrent(d, root); assert res.contents.noutput > 0
for name, timing in ((b"800x600", (800, 600, 40000000, 840, 968, 1056, 0, 601, 605, 628)),
                     (b"1024x768_75", (1024, 768, 78750000, 1040, 1136, 1312, 0, 769, 772, 800))):
    info = ModeInfo(0, *timing, name, len(name), 0)
    mode = r.XRRCreateMode(d, root, C.byref(info))
    r.XRRAddOutputMode(d, res.contents.outputs[0], mode)
x.XSync(d, 0)
sys.stdin.read()
x.XCloseDisplay(d)
