#!/usr/bin/env python3
"""A hostile HART-IP server for bench/publish_flood.sh: it opens sessions over TCP, answers
command 0 at polling address 0 and command 3 for one flow instrument (every other request gets
a communication error), and from the moment a session opens publishes that instrument's
command-3 frame RATE times a second, unasked, until the client goes."""
import socket
import struct
import sys
import threading
import time

PORT = int(sys.argv[1])
RATE = int(sys.argv[2]) if len(sys.argv) > 2 else 10000

ADDRESS = bytes.fromhex("f9fd000001")  # long address as answered: master and burst bits set
IDENTITY = bytes.fromhex("fef9fd000702324e00000001000300010000f900f941")  # HART 7, device ID 000001


def frame(delimiter, address, command, data):
    body = bytes([delimiter]) + address + bytes([command, len(data)]) + data
    check = 0
    for b in body:
        check ^= b
    return body + bytes([check])


def message(msg_type, msg_id, sequence, body=b"", status=0):
    return struct.pack(">BBBBHH", 1, msg_type, msg_id, status, sequence, 8 + len(body)) + body


def values(flow):
    return (bytes([0, 0]) + struct.pack(">f", 12.0) + bytes([75]) + struct.pack(">f", flow)
            + bytes([39]) + struct.pack(">f", 10.0) + bytes([61]) + struct.pack(">f", 0.0)
            + bytes([250]) + struct.pack(">f", float("nan")))


def answer(request):
    delimiter, address = request[0], request[1:2] if request[0] & 0x80 == 0 else request[1:6]
    command = request[1 + len(address)]
    if command == 0 and len(address) == 1 and address[0] & 0x3F == 0:
        return frame(0x06, bytes([0x80]), 0, bytes([0, 0]) + IDENTITY)
    if command == 3 and len(address) == 5 and address[1:] == ADDRESS[1:]:
        return frame(0x86, ADDRESS, 3, values(12000.0))
    return frame(0x86 if len(address) == 5 else 0x06, address, command, bytes([0x84, 0]))


def serve(connection):
    connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    lock = threading.Lock()
    gone = threading.Event()

    def flood():
        sequence = 0
        burst = frame(0x81, ADDRESS, 3, values(11000.0))
        batch_every = 0.01
        per_batch = max(1, int(RATE * batch_every))
        next_at = time.monotonic()
        while not gone.is_set():
            chunk = b"".join(message(2, 3, (sequence + k) & 0xFFFF, burst) for k in range(per_batch))
            sequence += per_batch
            try:
                with lock:
                    connection.sendall(chunk)
            except OSError:
                return
            next_at += batch_every
            time.sleep(max(0.0, next_at - time.monotonic()))

    stream = b""
    flooding = False
    try:
        while True:
            data = connection.recv(65536)
            if not data:
                break
            stream += data
            while len(stream) >= 8:
                length = struct.unpack(">H", stream[6:8])[0]
                if len(stream) < length:
                    break
                header, body, stream = stream[:8], stream[8:length], stream[length:]
                msg_id, sequence = header[2], struct.unpack(">H", header[4:6])[0]
                reply = body if msg_id == 0 else (answer(body) if msg_id == 3 else b"")
                with lock:
                    connection.sendall(message(1, msg_id, sequence, reply))
                if msg_id == 0 and not flooding:
                    flooding = True
                    threading.Thread(target=flood, daemon=True).start()
    except OSError:
        pass
    gone.set()
    connection.close()


listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind(("127.0.0.1", PORT))
listener.listen(4)
print("flood server on 127.0.0.1:%d, %d publications a second" % (PORT, RATE), flush=True)
while True:
    client, _ = listener.accept()
    threading.Thread(target=serve, args=(client,), daemon=True).start()
