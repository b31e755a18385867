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


class Wayland:
    def __init__(self):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect(os.path.join(os.environ["XDG_RUNTIME_DIR"], os.environ["WAYLAND_DISPLAY"]))
        self.next_id, self.buffer, self.globals = 2, b"", {}
        self.registry = self.new_id()
        self.send(1, 1, "I", self.registry)  # wl_display.get_registry
        self.roundtrip()

    def new_id(self):
        self.next_id += 1
        return self.next_id - 1

    def send(self, obj, opcode, layout="", *args, fds=()):
        payload = b""
        for kind, value in zip(layout, args):
            if kind == "s":  # a string: length, bytes, NUL, padding
                data = value.encode() + b"\0"
                payload += struct.pack("<I", len(data)) + data + b"\0" * (-len(data) % 4)
            else:
                payload += struct.pack("<I", value)
        message = struct.pack("<II", obj, ((8 + len(payload)) << 16) | opcode) + payload
        rights = [(socket.SOL_SOCKET, socket.SCM_RIGHTS, struct.pack("<%di" % len(fds), *fds))] if fds else []
        self.sock.sendmsg([message], rights)

    def roundtrip(self):
        callback = self.new_id()
        self.send(1, 0, "I", callback)  # wl_display.sync
        while True:
            while len(self.buffer) < 8 or len(self.buffer) < struct.unpack_from("<I", self.buffer, 4)[0] >> 16:
                chunk = self.sock.recv(65536)
                if not chunk:
                    sys.exit("the compositor closed the connection")
                self.buffer += chunk
            obj, word = struct.unpack_from("<II", self.buffer)
            body, self.buffer = self.buffer[8:word >> 16], self.buffer[word >> 16:]
            if obj == 1 and word & 0xFFFF == 0:  # wl_display.error
                sys.exit("protocol error: " + body[12:].split(b"\0")[0].decode())
            if obj == self.registry and word & 0xFFFF == 0:  # wl_registry.global
                number, length = struct.unpack_from("<II", body)
                self.globals[body[8:7 + length].decode()] = number
            if obj == callback:
                return

    def bind(self, interface):
        new = self.new_id()
        self.send(self.registry, 0, "IsII", self.globals[interface], interface, 1, new)
        return new


def millis():
    return int(time.monotonic() * 1000) & 0xFFFFFFFF


def main():
    wl = Wayland()
    seat = wl.bind("wl_seat")
    devices = []
    for manager in ("zwlr_virtual_pointer_manager_v1", "zwp_virtual_keyboard_manager_v1"):
        manager = wl.bind(manager)
        devices.append(wl.new_id())  # new ids must be used in the order they are made
        wl.send(manager, 0, "II", seat, devices[-1])
    pointer, keyboard = devices
    keymap = b'xkb_keymap { xkb_keycodes { include "evdev" }; xkb_types { include "complete" }; ' \
             b'xkb_compat { include "complete" }; xkb_symbols { include "pc+us" }; };\0'
    with tempfile.TemporaryFile() as file:
        file.write(keymap)
        file.flush()
        wl.send(keyboard, 0, "II", 1, len(keymap), fds=[file.fileno()])  # keymap (xkb v1)
        wl.roundtrip()
    print("ready", flush=True)
    for line in sys.stdin:
        words = line.split()
        if words[:1] == ["click"]:
            wl.send(pointer, 1, "IIIII", millis(), int(words[1]), int(words[2]), 1280, 800)  # motion_absolute
            wl.send(pointer, 4, "I", millis())  # frame
            wl.roundtrip()
            for _ in range(int(words[3]) if len(words) > 3 else 1):
                for state in (1, 0):
                    time.sleep(0.1)
                    wl.send(pointer, 2, "III", millis(), 0x110, state)  # button: left
                    wl.send(pointer, 4, "I", millis())
                    wl.roundtrip()
        elif words == ["key", "escape"]:
            for state in (1, 0):
                wl.send(keyboard, 1, "III", millis(), 1, state)  # key: Escape
                wl.roundtrip()
                time.sleep(0.05)
        print("done", line.strip(), flush=True)


if __name__ == "__main__":
    main()
