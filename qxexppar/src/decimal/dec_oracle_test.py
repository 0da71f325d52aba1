#!/usr/bin/env python3
"""Differential test of the decimal conversions against Python's own numbers.

Generates random cases with a fixed seed, runs them through the test driver
(dec_oracle_driver) in one process, and compares every result line with what
this script expects. The expectations come from this script's own reading of
the conversion rules, computed with Python's big integers and cross-checked
with the standard decimal module wherever a value can be checked exactly.

Usage: dec_oracle_test.py [--seed N] [--cases N] -- [emulator ...] driver
The seed may also come from QX_DECIMAL_SEED; the default seed is fixed.
"""

import argparse
import decimal
import os
import random
import re
import subprocess
import sys
import time
from decimal import Decimal

decimal.getcontext().prec = 1000
decimal.getcontext().Emax = 999999
decimal.getcontext().Emin = -999999

TWO_240 = 1 << 240
MAX_TEXT = 256
MAX_SIZE = 512
EXPONENT_CAP = 32767
NUMERIC_TEXT_SIZE = 100
PACKED_TEXT_SIZE = 112
CANONICAL_SIZE = 74

# blanks and signs, integer digits, separator and fraction digits, exponent
# letter with its signs and digits, blanks.
NUMBER = re.compile(rb"([ +-]*)([0-9]*)(?:[.,]([0-9]*))?(?:[eE]([+-]*)([0-9]*))? *")


class Number:
    def __init__(self, value, exponent):
        self.value = value  # signed integer
        self.exponent = exponent

    def decimal(self):
        return Decimal(self.value).scaleb(self.exponent)


def words_of(value):
    """count and 16-bit words of the shortest two's complement form that
    keeps a separate sign word."""
    count = 2
    if value >= 0:
        while value >= 1 << (16 * (count - 1)):
            count += 1
    else:
        while value < -(1 << (16 * (count - 1))):
            count += 1
    bits = value & ((1 << (16 * count)) - 1)
    return count, [(bits >> (16 * i)) & 0xFFFF for i in range(count)]


def from_text(text, precision, scale):
    """(status, Number or None)"""
    if len(text) > MAX_TEXT:
        return -9, None
    m = NUMBER.fullmatch(text)
    if not m:
        return -9, None
    negative = b"-" in m.group(1)
    integer = m.group(2).lstrip(b"0")
    fraction = (m.group(3) or b"").rstrip(b"0")
    exponent = min(int(m.group(5) or b"0"), EXPONENT_CAP)
    if m.group(4) and b"-" in m.group(4):
        exponent = -exponent
    if len(integer) > precision:
        return -8, None
    if not (precision == 74 and scale == 37) and len(integer) + scale > precision:
        return -8, None
    places = scale + exponent
    dropped = len(fraction) > places
    kept = max(places, 0) if dropped else len(fraction)
    magnitude = int(integer + fraction[:kept] or b"0")
    if magnitude >= TWO_240:
        return -8, None
    number = Number(-magnitude if negative else magnitude, exponent - kept)
    check_truncation(m, negative, places, exponent, number)
    return (-7 if dropped else 0), number


def check_truncation(m, negative, places, exponent, number):
    """The decimal module's reading of the same text: the mantissa cut down
    (toward zero) to the fraction places left, then scaled by the exponent."""
    fraction = (m.group(3) or b"").decode()
    mantissa = Decimal((m.group(2) or b"0").decode() + "." + fraction + "0")
    if len(fraction) > places:
        mantissa = mantissa.quantize(Decimal(1).scaleb(-max(places, 0)), rounding=decimal.ROUND_DOWN)
    expected = (-mantissa if negative else mantissa).scaleb(exponent)
    if expected != number.decimal():
        raise AssertionError(f"oracle disagrees with itself on {m.group(0)!r}")


def to_text(number, size):
    """(status, text or None)"""
    limit = min(size, MAX_SIZE)
    digits = str(abs(number.value)) if number.value else ""
    n = len(digits)
    e = number.exponent
    if n == 0 and e >= 0:
        return (0, "0") if limit >= 1 else (-8, None)
    sign = "-" if number.value < 0 else ""
    if e >= 0:
        body = digits + "0" * e
        return (0, sign + body) if len(body) < limit else (-8, None)
    places = -e
    if places > n:
        zeros = places - n
        if n == 0:
            if limit < 3:
                return -8, None
            zeros = min(zeros, limit - 3)
        elif limit < zeros + 3:
            return -8, None
        head, fraction, room = "0.", "0" * zeros + digits, limit - 3
        ended = False
    else:
        whole = n - places
        if limit <= (3 if whole == 0 else whole + 1):
            return -8, None
        # Fewer than three places before the limit: the text ends before the
        # point, which is -7 even when only zeros followed.
        ended = limit - whole < 3
        if ended:
            head, fraction, room = digits[:whole], digits[whole:], 0
        else:
            head, fraction, room = digits[:whole] + ".", digits[whole:], limit - whole - 2
    shown, cut = fraction[:room], fraction[room:]
    text = sign + head + shown
    status = -7 if ended or cut.strip("0") else 0
    value = Decimal(text.rstrip("."))
    if cut.strip("0") == "" and value != number.decimal():
        raise AssertionError(f"oracle wrote {text} for {number.decimal()}")
    if cut.strip("0") and not abs(value) < abs(number.decimal()):
        raise AssertionError(f"oracle cut {number.decimal()} to {text}")
    return status, text


NUMERIC_LAST = {ord(c): (c, False) for c in "0123456789"}
NUMERIC_LAST.update({ord("{"): ("0", False), ord("}"): ("0", True)})
NUMERIC_LAST.update({ord("A") + i: (str(i + 1), False) for i in range(9)})
NUMERIC_LAST.update({ord("J") + i: (str(i + 1), True) for i in range(9)})
NUMERICSA_LAST = {ord(c): (c, False) for c in "0123456789"}
NUMERICSA_LAST.update({ord("p") + i: (str(i), True) for i in range(10)})
NUMERICSA_LAST.update({ord("P") + i: (str(i), True) for i in range(10)})


def canonical(value):
    if value == 0:
        return "0"
    return format(value.normalize(), "f")


def numeric(field, decimals, kind):
    if not field or field[0] == 0 or decimals < 0:
        return ""
    if kind == 14:
        last = NUMERIC_LAST.get(field[-1])
    elif kind == 27:
        last = NUMERICSA_LAST.get(field[-1])
    elif kind == 28:
        last = ("", field[-1] == ord("-"))
    else:
        last = None
    if last is None or 0 in field[:-1]:
        return ""
    units, negative = last
    plain = (b"-" if negative else b"") + field[:-1] + units.encode()
    if len(plain) > NUMERIC_TEXT_SIZE - 3 or decimals > len(plain):
        return ""
    point = len(plain) - decimals
    text = plain[:point] + b"." + plain[point:] + (b"0" if decimals == 0 else b"")
    status, number = from_text(text, len(plain), decimals)
    if status not in (0, -7):
        return ""
    status, result = to_text(number, CANONICAL_SIZE)
    if status == -8:
        return ""
    if result.startswith("."):
        result = "0" + result
    elif result.startswith("-."):
        result = "-0" + result[1:]
    # Fields of digits alone: the decimal module's canonical form, when it
    # fits the room and the arithmetic.
    body = field[:-1] + units.encode()
    if body.isdigit() and int(body) < TWO_240:
        exact = Decimal(int(body)).scaleb(-decimals) * (-1 if negative else 1)
        text = canonical(exact)
        if len(text.lstrip("-")) <= CANONICAL_SIZE - 1 and result != text:
            raise AssertionError(f"oracle wrote {result} for {exact}")
    return result


def packed(field, decimals):
    count = 2 * len(field) - 1
    if not field or decimals < 0:
        return ""

    def render(digits, negative):
        sign = "-" if negative else ""
        if decimals < count:
            whole = digits[: count - decimals].lstrip("0") or "0"
            return sign + whole + ("." + digits[count - decimals:] if decimals else "")
        return sign + "0." + "0" * (decimals - count) + digits

    # The room does not depend on the value: the longest text of this size.
    if len(render("9" * count, True)) + 1 > PACKED_TEXT_SIZE:
        return ""
    digits = "".join(chr(48 + (b >> 4)) + chr(48 + (b & 15)) for b in field)[:count]
    negative = field[-1] & 0x0F == 0x0D
    text = render(digits, negative)
    if digits.isdigit():
        exact = Decimal(int(digits)).scaleb(-decimals)
        if Decimal(text) != (-exact if negative else exact):
            raise AssertionError(f"oracle wrote {text} for {exact}")
    return text


# Case generation.

def random_digits(rng, count):
    return f"{rng.randrange(10 ** count):0{count}d}" if count > 0 else ""


def random_number_text(rng):
    if rng.random() < 0.02:
        # around the end of the arithmetic
        value = TWO_240 + rng.randint(-3, 3)
        return (rng.choice(["", "-", "+"]) + str(value)).encode()
    if rng.random() < 0.03:
        # around word boundaries, where negation moves the sign word
        value = (1 << (16 * rng.randint(1, 15) - rng.choice([0, 0, 1]))) + rng.randint(-2, 2)
        return (rng.choice(["", "-"]) + str(value)).encode()
    if rng.random() < 0.01:
        length = rng.randint(250, 262)
        return (random_digits(rng, length) if rng.random() < 0.5 else "0" * (length - 1) + "5").encode()
    parts = [" " * rng.choice([0, 0, 0, 1, 2])]
    parts.append("".join(rng.choice("+- ") for _ in range(rng.choice([0, 0, 0, 1, 1, 2, 3]))))
    digits = rng.choice([0, 1, 2, 5, 9, 10, 18, 30, rng.randint(0, 80)])
    zeros = rng.choice([0, 0, 0, 1, 3])
    parts.append("0" * zeros + random_digits(rng, digits))
    if rng.random() < 0.7:
        parts.append(rng.choice(".,"))
        parts.append(random_digits(rng, rng.choice([0, 1, 2, 4, rng.randint(0, 80)])))
        parts.append("0" * rng.choice([0, 0, 1, 3]))
    if rng.random() < 0.25:
        parts.append(rng.choice("Ee"))
        parts.append("".join(rng.choice("+-") for _ in range(rng.choice([0, 1, 1, 2]))))
        parts.append(str(rng.choice([rng.randint(0, 9), rng.randint(0, 99), rng.randint(0, 600),
                                     rng.randint(0, 99999)]))
                     if rng.random() < 0.9 else "")
    parts.append(" " * rng.choice([0, 0, 0, 1, 3]))
    text = "".join(parts).encode()
    if rng.random() < 0.1:
        stray = rng.choice(b" +-.,Eex\t:f/\x80\xff0123456789")
        at = rng.randint(0, len(text))
        text = text[:at] + bytes([stray]) + text[at + (1 if rng.random() < 0.5 else 0):]
    return text


def text_case(rng):
    text = random_number_text(rng)
    precision = rng.choice([rng.randint(0, 100), rng.randint(0, 100), 74, 80, 300, 65535])
    scale = rng.choice([rng.randint(-3, 100), rng.randint(0, 40), 37, 0, 2, 32767, -32768])
    size = rng.choice([rng.randint(-2, 100), rng.randint(0, 20), 74, 100, 512, 600])
    line = f"T {precision} {scale} {size} ={text.hex()}"

    status, number = from_text(text, precision, scale)
    if status not in (0, -7):
        return line, str(status)
    count, words = words_of(number.value)
    to_status, out = to_text(number, size)
    shown = "" if out is None else out.encode().hex()
    words_hex = ",".join(f"{w:04x}" for w in words)
    return line, f"{status} {number.exponent} {count} {words_hex} {to_status} ={shown}"


def numeric_field(rng):
    kind = rng.choice([14, 14, 27, 27, 28, 28, 13, 0])
    length = rng.choice([1, 2, 3, 5, 8, 10, 18, rng.randint(1, 30), rng.randint(60, 100)])
    body = random_digits(rng, length - 1)
    if rng.random() < 0.3:
        lead = rng.randint(0, len(body))
        body = rng.choice("0 ") * lead + body[lead:]
    if kind == 14:
        last = rng.choice("0123456789{}ABCDEFGHIJKLMNOPQR") if rng.random() < 0.95 else rng.choice("STZ -.a~@")
    elif kind == 27:
        last = rng.choice("0123456789pqrstuvwxyPQRSTUVWXY") if rng.random() < 0.95 else rng.choice("}{AzZ -")
    else:
        last = rng.choice("+-+- 0")
    field = (body + last).encode()
    roll = rng.random()
    if roll < 0.05:
        stray = rng.choice(b" +-.,Ex\t\x80")
        at = rng.randint(0, len(field) - 1)
        field = field[:at] + bytes([stray]) + field[at + 1:]
    elif roll < 0.06:
        field = b"\x00" + field[1:]
    elif roll < 0.07 and len(field) > 2:
        at = rng.randint(1, len(field) - 2)
        field = field[:at] + b"\x00" + field[at + 1:]
    return kind, field


def numeric_case(rng):
    kind, field = numeric_field(rng)
    decimals = rng.choice([0, 0, 1, 2, 4, rng.randint(0, len(field) + 2), -1, len(field), len(field) - 1])
    return f"N {kind} {decimals} ={field.hex()}", "=" + numeric(field, decimals, kind).encode().hex()


def packed_case(rng):
    length = rng.choice([1, 2, 3, 5, 8, 10, 16, rng.randint(1, 20), rng.randint(50, 58)])
    if rng.random() < 0.9:
        nibbles = [int(c) for c in random_digits(rng, 2 * length - 1)]
        if rng.random() < 0.3:
            lead = rng.randint(0, len(nibbles))
            nibbles[:lead] = [0] * lead
    else:
        nibbles = list(rng.randbytes(2 * length - 1).translate(bytes(range(16)) * 16))
    nibbles.append(rng.choice([0xC, 0xD, 0xD, 0xF, 0xA, 0xB, 0xE, 0]))
    field = bytes(nibbles[i] * 16 + nibbles[i + 1] for i in range(0, len(nibbles), 2))
    count = 2 * length - 1
    decimals = rng.choice([0, 1, 2, count, count - 1, count + 1, rng.randint(0, count + 5),
                           rng.randint(100, 115), -1])
    return f"P {decimals} ={field.hex()}", "=" + packed(field, decimals).encode().hex()


def generate(seed, cases):
    rng = random.Random(seed)
    makers = [text_case] * 5 + [numeric_case] * 3 + [packed_case] * 2
    return [rng.choice(makers)(rng) for _ in range(cases)]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--seed", type=int, default=int(os.environ.get("QX_DECIMAL_SEED", "20240611")))
    parser.add_argument("--cases", type=int, default=100000)
    parser.add_argument("command", nargs="+", help="[emulator ...] driver")
    args = parser.parse_args()

    started = time.monotonic()
    cases = generate(args.seed, args.cases)
    generated = time.monotonic()
    feed = "".join(line + "\n" for line, _ in cases)
    run = subprocess.run(args.command, input=feed.encode(), stdout=subprocess.PIPE, check=False)
    if run.returncode != 0:
        print(f"driver failed with status {run.returncode}", file=sys.stderr)
        return 1
    got = run.stdout.decode().replace("\r\n", "\n").split("\n")[: len(cases)]
    failures = [(line, want, have) for (line, want), have in zip(cases, got) if want != have]
    if len(got) < len(cases):
        failures.append(("(end)", f"{len(cases)} results", f"{len(got)} results"))
    for line, want, have in failures[:20]:
        print(f"case  {line}\nwant  {want}\ngot   {have}\n", file=sys.stderr)
    print(f"seed {args.seed}: {len(cases)} cases, {len(failures)} differ "
          f"(generated in {generated - started:.1f} s, run in {time.monotonic() - generated:.1f} s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
