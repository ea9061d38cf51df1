#!/usr/bin/python3
"""A notification area as small as X11 allows: owns the tray selection of screen 0, tells the
root window so (MANAGER), prints "tray" and then "dock WINDOW" for every icon that asks to be
docked. It draws nothing and embeds nothing. Runs until ended."""
import ctypes
import ctypes.util

x = ctypes.CDLL(ctypes.util.find_library("X11"))
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x.XCreateSimpleWindow.restype = ctypes.c_ulong
x.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_int]*2 + [ctypes.c_uint]*3 + [ctypes.c_ulong]*2
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_ulong]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XFlush.argtypes = [ctypes.c_void_p]
x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("l", ctypes.c_long * 5)]
class Event(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("client", ClientMessage), ("pad", ctypes.c_long * 24)]
d = x.XOpenDisplay(None)
root = x.XDefaultRootWindow(d)
tray = x.XCreateSimpleWindow(d, root, 0, 0, 1, 1, 0, 0, 0)
selection = x.XInternAtom(d, b"_NET_SYSTEM_TRAY_S0", 0)
x.XSetSelectionOwner(d, selection, tray, 0)
manager = Event()
manager.client.type = 33  # ClientMessage
manager.client.window = root
manager.client.message_type = x.XInternAtom(d, b"MANAGER", 0)
manager.client.format = 32
manager.client.l[0] = 0
manager.client.l[1] = selection
manager.client.l[2] = tray
x.XSendEvent(d, root, 0, 0x20000, ctypes.byref(manager))  # StructureNotifyMask
x.XFlush(d)
print("tray", flush=True)
opcode = x.XInternAtom(d, b"_NET_SYSTEM_TRAY_OPCODE", 0)
event = Event()
while True:
    x.XNextEvent(d, ctypes.byref(event))
    if event.type == 33 and event.client.message_type == opcode and event.client.l[1] == 0:
        print("dock %d" % event.client.l[2], flush=True)
