"""What clavenet-attach must do on a real kernel: one case per model.

Each case starts `clavenet-attach --model MODEL /dev/ttyUSB0` in the guest,
waits until it has the port open at its line settings and its virtual
keyboard is up, checks the baud the guest driver gave the adapter, runs its
steps, and stops the program with SIGTERM at the end unless a step did.

Steps (tests/kernel/run carries them out):
  Send(bytes, events, ...)  write the bytes (hex) into the adapter, then
                            expect exactly these key events and no others;
                            Pause(seconds) between chunks holds keys down
  Keys(names)               the keys the input core holds down now (EVIOCGKEY)
  Stop(events)              SIGTERM: these events, then the program exits 0
                            with every key it pressed released
  Start()                   start the program again, as at the beginning
  Unplug(events)            device_del the adapter: these events, no key
                            down, and the program keeps running
  Replug()                  device_add it again: the program must reopen it
  Latency(press, release, key, count)
                            time the key from the adapter to the input core

Events are written as "KEY_NAME VALUE, ..." (the KEY_ may be left out), or
with strokes(): "A" is the key pressed and released, "+A" the same with
Shift held around it. Value-2 repeats are left out unless a Send says
repeats=True. Where a decoder's timer repeats a held key as whole strokes,
held=True counts a run of the same stroke once, and the step after it (a
Send, Stop or Unplug) leaves out the strokes that carry that run on.

The table is written for the program's keys as they are now: every posted
key is one stroke, nothing stays down between messages.
"""

from collections import namedtuple

Case = namedtuple("Case", "model baud steps")


class Send(namedtuple("Send", "chunks events repeats held")):
    def __new__(cls, *chunks, events, repeats=False, held=False):
        return super().__new__(cls, chunks, events, repeats, held)


Pause = namedtuple("Pause", "seconds")
Keys = namedtuple("Keys", "names", defaults=("",))
Stop = namedtuple("Stop", "events", defaults=("",))
Start = namedtuple("Start", "")
Unplug = namedtuple("Unplug", "events", defaults=("",))
Replug = namedtuple("Replug", "")
Latency = namedtuple("Latency", "press release key count")


def strokes(keys):
    """Key strokes as today's program types them: "+A" is Shift-wrapped."""
    events = []
    for key in keys.split():
        shifted = key.startswith("+")
        name = key.lstrip("+")
        stroke = [f"{name} 1", f"{name} 0"]
        events += ["LEFTSHIFT 1"] + stroke + ["LEFTSHIFT 0"] if shifted else stroke
    return ", ".join(events)


# "Ok, 42!" and Enter, as the program types it on every model.
OK_42 = strokes("+O K COMMA SPACE 4 2 +1 ENTER")

CASES = [
    Case("happy-hacking", 4800, [
        # Scan code set 2: a make code, F0 and the code at the break.
        Send("12 44 f0 44 f0 12 42 f0 42 41 f0 41 29 f0 29 25 f0 25 1e f0 1e 12 16 f0 16 f0 12 5a f0 5a",
             events=OK_42),
        # Shift and A held: the program has typed "A" at the make.
        Send("12 1c", events=strokes("+A")),
        Keys(""),
        Stop(),
        Start(),
        Send("1c", events=strokes("A")),
        Unplug(),
        Replug(),
        Send("f0 1c 33 f0 33 43 f0 43 5a f0 5a", events=strokes("H I ENTER")),
        Latency("1c", "f0 1c", "A", 60),
    ]),
    Case("flexis", 9600, [
        # Bit 7 set is a press.
        Send("b8 9f 1f 38 a8 28 ab 2b b1 31 95 15 93 13 b8 92 12 38 a4 24", events=OK_42),
        Send("b8 80", events=strokes("+A")),
        Keys(""),
        Stop(),
        Start(),
        Send("80", events=strokes("A")),
        Unplug(),
        Replug(),
        Send("00 84 04 a2 22 a4 24", events=strokes("H I ENTER")),
        Latency("80", "00", "A", 60),
    ]),
    Case("gotype", 2400, [
        # Bit 7 set is a release.
        Send("5b 18 98 db 24 a4 30 b0 33 b3 05 85 03 83 5b 02 82 db 28 a8", events=OK_42),
        Send("5b 1d", events=strokes("+A")),
        Keys(""),
        Stop(),
        Start(),
        Send("1d", events=strokes("A")),
        Unplug(),
        Replug(),
        Send("9d 22 a2 17 97 28 a8", events=strokes("H I ENTER")),
        Latency("1d", "9d", "A", 60),
    ]),
    Case("palm-portable", 9600, [
        # Bit 7 set is a break.
        Send("58 3e be d8 45 c5 4d cd 17 97 04 84 01 81 58 00 80 d8 41 c1", events=OK_42),
        # A held key repeats by the decoder's timer, a stroke each time,
        # until its break.
        Send("11", Pause(0.8), "91", events=strokes("A"), held=True),
        Send("58 11", Pause(0.8), events=strokes("+A"), held=True),
        Stop(),
        Start(),
        Send("11", Pause(0.8), events=strokes("A"), held=True),
        # The repeats stop with the unplug: nothing more comes after it.
        Unplug(),
        Replug(),
        Send("16 96 3d bd 41 c1", events=strokes("H I ENTER")),
        Latency("11", "91", "A", 60),
    ]),
    Case("pocketop", 9600, [
        # Bit 7 set is a break; digits from the number layer, "!" from the
        # function layer.
        Send("65 41 c1 e5 3a ba 43 c3 2b ab 6e 19 99 09 89 ee 76 01 81 f6 5a da", events=OK_42),
        Send("07", Pause(0.8), "87", events=strokes("A"), held=True),
        Send("65 07", Pause(0.8), events=strokes("+A"), held=True),
        Stop(),
        Start(),
        Send("07", Pause(0.8), events=strokes("A"), held=True),
        Unplug(),
        Replug(),
        Send("2f af 39 b9 5a da", events=strokes("H I ENTER")),
        Latency("07", "87", "A", 60),
    ]),
]
