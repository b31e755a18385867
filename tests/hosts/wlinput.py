#!/usr/bin/env python3
"""Real pointer clicks and key presses on a wlroots compositor (sway), whose
headless seat has no devices: a tiny Wayland client that speaks the wire
protocol itself and drives zwlr_virtual_pointer_manager_v1 and
zwp_virtual_keyboard_manager_v1.

    wlinput.py click X Y [COUNT]   left click(s) at X,Y of the 1280 x 800 layout
    wlinput.py key escape          press and release Escape
"""
import os
import socket
import struct
import sys
import tempfile
import time

BTN_LEFT = 0x110
KEY_ESC = 1
WIDTH, HEIGHT = 1280, 800


class Wayland:
    def __init__(self):
        name = os.environ.get("WAYLAND_DISPLAY", "wayland-0")
        path = name if name.startswith("/") else os.path.join(os.environ["XDG_RUNTIME_DIR"], name)
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect(path)
        self.next_id = 2
        self.buffer = b""
        self.globals = {}
        self.registry = self.new_id()
        self.send(1, 1, self.uint(self.registry))  # wl_display.get_registry
        self.roundtrip()

    def new_id(self):
        self.next_id += 1
        return self.next_id - 1

    @staticmethod
    def uint(value):
        return struct.pack("<I", value)

    @staticmethod
    def string(text):
        data = text.encode() + b"\0"
        return struct.pack("<I", len(data)) + data + b"\0" * (-len(data) % 4)

    def send(self, obj, opcode, payload=b"", fds=()):
        message = struct.pack("<II", obj, ((8 + len(payload)) << 16) | opcode) + payload
        if fds:
            self.sock.sendmsg([message], [(socket.SOL_SOCKET, socket.SCM_RIGHTS, struct.pack("<%di" % len(fds), *fds))])
        else:
            self.sock.sendall(message)

    def roundtrip(self):
        callback = self.new_id()
        self.send(1, 0, self.uint(callback))  # wl_display.sync
        while True:
            while len(self.buffer) < 8 or len(self.buffer) < (struct.unpack_from("<I", self.buffer, 4)[0] >> 16):
                chunk = self.sock.recv(65536)
                if not chunk:
                    sys.exit("the compositor closed the connection")
                self.buffer += chunk
            obj, word = struct.unpack_from("<II", self.buffer)
            size, opcode = word >> 16, word & 0xFFFF
            body, self.buffer = self.buffer[8:size], self.buffer[size:]
            if obj == 1 and opcode == 0:  # wl_display.error
                _, code = struct.unpack_from("<II", body)
                sys.exit("protocol error %d: %s" % (code, body[12:].split(b"\0")[0].decode()))
            if obj == self.registry and opcode == 0:  # wl_registry.global
                number, length = struct.unpack_from("<II", body)
                interface = body[8:8 + length - 1].decode()
                version = struct.unpack_from("<I", body, 8 + length + (-length % 4))[0]
                self.globals[interface] = (number, version)
            if obj == callback and opcode == 0:
                return

    def bind(self, interface, version):
        if interface not in self.globals:
            sys.exit("the compositor offers no %s" % interface)
        number, offered = self.globals[interface]
        new = self.new_id()
        self.send(self.registry, 0, self.uint(number) + self.string(interface) + self.uint(min(version, offered)) + self.uint(new))
        return new


def millis():
    return int(time.monotonic() * 1000) & 0xFFFFFFFF


def click(wl, x, y, count):
    manager = wl.bind("zwlr_virtual_pointer_manager_v1", 1)
    pointer = wl.new_id()
    wl.send(manager, 0, wl.uint(0) + wl.uint(pointer))  # create_virtual_pointer(seat: none)
    wl.send(pointer, 1, struct.pack("<IIIII", millis(), x, y, WIDTH, HEIGHT))  # motion_absolute
    wl.send(pointer, 4, wl.uint(millis()))  # frame
    wl.roundtrip()
    time.sleep(0.15)
    for _ in range(count):
        for state in (1, 0):
            wl.send(pointer, 2, struct.pack("<III", millis(), BTN_LEFT, state))  # button
            wl.send(pointer, 4, wl.uint(millis()))
            wl.roundtrip()
            time.sleep(0.1)
    wl.send(pointer, 8)  # destroy


def key_escape(wl):
    seat = wl.bind("wl_seat", 1)
    manager = wl.bind("zwp_virtual_keyboard_manager_v1", 1)
    keyboard = wl.new_id()
    wl.send(manager, 0, wl.uint(seat) + wl.uint(keyboard))  # create_virtual_keyboard
    keymap = b'xkb_keymap { xkb_keycodes { include "evdev" }; xkb_types { include "complete" }; ' \
             b'xkb_compat { include "complete" }; xkb_symbols { include "pc+us" }; };\0'
    with tempfile.TemporaryFile() as file:
        file.write(keymap)
        file.flush()
        wl.send(keyboard, 0, struct.pack("<II", 1, len(keymap)), fds=[file.fileno()])  # keymap (xkb v1)
        wl.roundtrip()
    for state in (1, 0):
        wl.send(keyboard, 1, struct.pack("<III", millis(), KEY_ESC, state))  # key
        wl.roundtrip()
        time.sleep(0.05)
    wl.send(keyboard, 3)  # destroy


def main():
    wl = Wayland()
    if len(sys.argv) >= 4 and sys.argv[1] == "click":
        click(wl, int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]) if len(sys.argv) > 4 else 1)
    elif sys.argv[1:] == ["key", "escape"]:
        key_escape(wl)
    else:
        sys.exit(__doc__)
    wl.roundtrip()


if __name__ == "__main__":
    main()
