#!/usr/bin/env python3
"""A virtual pointer and keyboard for headless sway, kept for the whole session
(clients must see a keyboard from their start), playing the lines it reads:
    click X Y [COUNT]   left click(s) at X,Y of the 1280 x 800 layout
    key escape          press and release Escape
"""
import os
import socket
import struct
import sys
import tempfile
import time

sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
sock.connect(os.path.join(os.environ["XDG_RUNTIME_DIR"], os.environ["WAYLAND_DISPLAY"]))
ids = iter(range(2, 1 << 32))  # new ids must be used in the order they are made
received, names = b"", {}


def send(obj, opcode, *args, fds=()):
    """A request whose arguments are strings or 32-bit numbers."""
    payload = b""
    for value in args:
        if isinstance(value, str):  # length, bytes, NUL, padding
            data = value.encode() + b"\0"
            payload += struct.pack("<I", len(data)) + data + b"\0" * (-len(data) % 4)
        else:
            payload += struct.pack("<I", value)
    message = struct.pack("<II", obj, ((8 + len(payload)) << 16) | opcode) + payload
    rights = [(socket.SOL_SOCKET, socket.SCM_RIGHTS, struct.pack("<%di" % len(fds), *fds))] if fds else []
    sock.sendmsg([message], rights)


def roundtrip():
    """Waits until the compositor has handled every request, noting the globals it announces."""
    global received
    callback = next(ids)
    send(1, 0, callback)  # wl_display.sync
    while True:
        while len(received) < 8 or len(received) < struct.unpack_from("<I", received, 4)[0] >> 16:
            chunk = sock.recv(65536)
            if not chunk:
                sys.exit("the compositor closed the connection")
            received += chunk
        obj, word = struct.unpack_from("<II", received)
        body, received = received[8:word >> 16], received[word >> 16:]
        if obj == 1 and word & 0xFFFF == 0:  # wl_display.error
            sys.exit("protocol error: " + body[12:].split(b"\0")[0].decode())
        if obj == registry and word & 0xFFFF == 0:  # wl_registry.global
            number, length = struct.unpack_from("<II", body)
            names[body[8:7 + length].decode()] = number
        if obj == callback:
            return


def bind(interface):
    new = next(ids)
    send(registry, 0, names[interface], interface, 1, new)
    return new


def millis():
    return int(time.monotonic() * 1000) & 0xFFFFFFFF


registry = next(ids)
send(1, 1, registry)  # wl_display.get_registry
roundtrip()
seat = bind("wl_seat")
pointer_manager = bind("zwlr_virtual_pointer_manager_v1")
pointer = next(ids)
send(pointer_manager, 0, seat, pointer)
keyboard_manager = bind("zwp_virtual_keyboard_manager_v1")
keyboard = next(ids)
send(keyboard_manager, 0, seat, keyboard)
keymap = b'xkb_keymap { xkb_keycodes { include "evdev" }; xkb_types { include "complete" }; ' \
         b'xkb_compat { include "complete" }; xkb_symbols { include "pc+us" }; };\0'
with tempfile.TemporaryFile() as file:
    file.write(keymap)
    file.flush()
    send(keyboard, 0, 1, len(keymap), fds=[file.fileno()])  # keymap (xkb v1)
    roundtrip()
print("ready", flush=True)
for line in sys.stdin:
    words = line.split()
    if words[:1] == ["click"]:
        send(pointer, 1, millis(), int(words[1]), int(words[2]), 1280, 800)  # motion_absolute
        send(pointer, 4, millis())  # frame
        roundtrip()
        for _ in range(int(words[3]) if len(words) > 3 else 1):
            for state in (1, 0):
                time.sleep(0.1)
                send(pointer, 2, millis(), 0x110, state)  # button: left
                send(pointer, 4, millis())
                roundtrip()
    elif words == ["key", "escape"]:
        for state in (1, 0):
            send(keyboard, 1, millis(), 1, state)  # key: Escape
            roundtrip()
            time.sleep(0.05)
    print("done", line.strip(), flush=True)
