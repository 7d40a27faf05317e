#!/usr/bin/env python3
"""Writes the seed corpus of fuzz_receiver into corpus/receiver/.

An input is: flags (bit 0: write request, bit 1: start just before midnight), a start-time
byte, a register-count byte (count = 1 + byte % 125), then chunks of
[length][clock step in 0.1 s, or 0xFF: the device goes][bytes].
"""
import os


def crc(frame: bytes) -> bytes:
    reg = 0xFFFF
    for b in frame:
        reg ^= b
        for _ in range(8):
            reg = (reg >> 1) ^ 0xA001 if reg & 1 else reg >> 1
    return frame + bytes([reg & 0xFF, reg >> 8])


def read_reply(byte_count: int, slave: int = 1) -> bytes:
    return crc(bytes([slave, 3, byte_count]) + bytes((7 * i) & 0xFF for i in range(byte_count)))


def chunk(data: bytes, step: int = 1) -> bytes:
    return bytes([len(data), step]) + data


READ, WRITE, MIDNIGHT = 0, 1, 2
NINE = 8  # count byte for nine registers
# The requests for nine registers as the fuzzer sends them: slot n of RegImage holds n * 37.
READ_NINE = crc(bytes.fromhex("010300020009"))
WRITE_NINE = crc(bytes.fromhex("01100002000912") + b"".join((n * 37).to_bytes(2, "big") for n in range(3, 12)))
# Slave 2's registers 2, 2, 262: the data's 01 06 starts a false frame of slave 1.
OTHER_FALSE_FRAME = crc(bytes([2, 3, 18]) + b"".join(v.to_bytes(2, "big") for v in (2, 2, 262, 100, 500, 20, 1, 3, 0)))

seeds = {
    "read_answered": bytes([READ, 10, NINE]) + chunk(read_reply(18)),
    "read_in_pieces": bytes([READ, 10, NINE]) + chunk(read_reply(18)[:7]) + chunk(read_reply(18)[7:], 3),
    "read_odd_count_19": bytes([READ, 10, NINE]) + chunk(read_reply(19)),
    "read_count_17": bytes([READ, 10, NINE]) + chunk(read_reply(17)),
    "read_count_0": bytes([READ, 10, NINE]) + chunk(read_reply(0)),
    "read_count_255": bytes([READ, 10, NINE]) + chunk(read_reply(255)[:200]) + chunk(read_reply(255)[200:]),
    "read_one_register": bytes([READ, 10, 0]) + chunk(read_reply(2)),
    "read_other_slave": bytes([READ, 10, NINE]) + chunk(read_reply(18, slave=2)),
    "read_exception": bytes([READ, 10, NINE]) + chunk(crc(bytes([1, 0x83, 2]))),
    "read_exception_of_write": bytes([READ, 10, NINE]) + chunk(crc(bytes([1, 0x90, 2]))),
    "read_bad_crc_then_good": bytes([READ, 10, NINE]) + chunk(read_reply(18)[:-2] + b"\x00\x00")
    + chunk(read_reply(18)),
    "read_noise_then_answer": bytes([READ, 10, NINE]) + chunk(bytes([0xFF, 0, 1, 0x80, 0x17])) + chunk(read_reply(18)),
    "read_silent_at_midnight": bytes([READ | MIDNIGHT, 50, NINE]) + chunk(b"", 100) + chunk(b"", 100),
    "read_device_goes": bytes([READ, 10, NINE]) + chunk(read_reply(18)[:5]) + chunk(b"", 0xFF),
    "write_answered": bytes([WRITE, 10, NINE]) + chunk(crc(bytes.fromhex("011000020009"))),
    "write_other_address": bytes([WRITE, 10, NINE]) + chunk(crc(bytes.fromhex("011000030009"))),
    "write_exception": bytes([WRITE, 10, NINE]) + chunk(crc(bytes([1, 0x90, 4]))),
    "write_read_reply": bytes([WRITE, 10, NINE]) + chunk(read_reply(18)),
    "read_other_slave_false_frame": bytes([READ, 10, NINE]) + chunk(OTHER_FALSE_FRAME[:6]) + chunk(OTHER_FALSE_FRAME[6:])
    + chunk(read_reply(18)),
    "read_echo_then_answer": bytes([READ, 10, NINE]) + chunk(READ_NINE + read_reply(18)),
    "read_two_answers": bytes([READ, 10, NINE]) + chunk(read_reply(18) + read_reply(18)),
    "read_answer_hidden_by_false_frame": bytes([READ, 10, NINE]) + chunk(bytes([1, 3, 5]) + read_reply(18)),
    "write_echo_then_answer": bytes([WRITE, 10, NINE]) + chunk(WRITE_NINE) + chunk(crc(bytes.fromhex("011000020009"))),
    "write_exception_of_read": bytes([WRITE, 10, NINE]) + chunk(crc(bytes([1, 0x83, 2]))),
    "noise": bytes([READ, 200, 77]) + bytes(range(256)) + bytes(range(255, -1, -1)),
}

out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "receiver")
os.makedirs(out, exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)
