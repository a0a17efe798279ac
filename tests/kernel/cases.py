"""What clavenet-attach must do on a real kernel: the cases, one a model in
key mode and one for --keypad.

Each case starts `clavenet-attach --model MODEL [OPTIONS] /dev/ttyUSB0` in
the guest, waits until it has the port open at its line settings and its
virtual keyboard is up, checks the baud the guest driver gave the adapter,
runs its steps, and stops the program with SIGTERM at the end unless a step
did.

Steps (tests/kernel/run carries them out):
  Send(bytes, events, repeats)
                  write the bytes (hex) into the adapter; Pause(seconds)
                  between chunks holds keys down. Both what evdev gives and
                  what the program wrote through uinput must be exactly
                  `events`, in order. The kernel's own repeats (value 2)
                  are left out of evdev's; with repeats=KEY there must be
                  at least REPEATS_AT_LEAST of them, all of KEY and while
                  it is down (the program itself writes none).
  Keys(names)     the keys the input core holds down now (EVIOCGKEY)
  Identity(name)  the virtual keyboard: its name, bus RS-232, phys the
                  device, EV_REP, and every key from KEY_ESC to KEY_S,
                  KEY_LEFTSHIFT and each key of host/keymaps/MODEL.keymap;
                  last in a case, so that a fault here hides no other
  Tagged(name)    udev's input_id tagged the virtual keyboard's event
                  device ID_INPUT, ID_INPUT_KEY and ID_INPUT_KEYBOARD, and no
                  other ID_INPUT_*; udev's record of its input device has the
                  name `name`
  Lines(states)   the adapter's modem lines since the port was last
                  opened, each state as the guest's driver set it: "DTR RTS
                  500, DTR" is both up for at least 500 ms, then only DTR
  Says(text)      a line of the program's standard error holds `text`,
                  since the port was last opened
  Stop(events)    SIGTERM: these releases, in any order, then the program
                  exits 0 with every key it pressed released
  Start()         start the program again, as at the beginning
  Unplug(events)  device_del the adapter: these releases, in any order, no
                  key down in the input core, the program still running
  Replug()        device_add it again: the program must reopen it
  Latency(press, release, key, count)
                  time the key from the adapter to the input core

Events are written as "KEY_NAME VALUE, ..." (the KEY_ may be left out), or
with typed(): "A" is the key pressed and released, "+A" the same with
Shift pressed before it and released after it.
"""

from collections import namedtuple


class Case(namedtuple("Case", "model baud steps options")):
    def __new__(cls, model, baud, steps, options=()):
        return super().__new__(cls, model, baud, steps, tuple(options))

    @property
    def label(self):
        return " ".join((self.model,) + self.options)


class Send(namedtuple("Send", "chunks events repeats")):
    def __new__(cls, *chunks, events, repeats=None):
        return super().__new__(cls, chunks, events, repeats)


Pause = namedtuple("Pause", "seconds")
Keys = namedtuple("Keys", "names", defaults=("",))
Identity = namedtuple("Identity", "name")
Tagged = namedtuple("Tagged", "name")
Lines = namedtuple("Lines", "states")
Says = namedtuple("Says", "text")
Stop = namedtuple("Stop", "events", defaults=("",))
Start = namedtuple("Start", "")
Unplug = namedtuple("Unplug", "events", defaults=("",))
Replug = namedtuple("Replug", "")
Latency = namedtuple("Latency", "press release key count")

# A second's hold gives about 20 repeats at the kernel's 250 ms delay and
# 33 ms period; 5 leaves room for a slow emulated guest, and none (no EV_REP)
# fails.
REPEATS_AT_LEAST = 5
# About a second's hold, as a person holds a key to repeat it.
HOLD = Pause(1.0)


def typed(keys):
    """Keys typed one at a time: "+A" is Shift pressed before A and
    released after it."""
    events = []
    for key in keys.split():
        name = key.lstrip("+")
        stroke = [f"{name} 1", f"{name} 0"]
        events += ["LEFTSHIFT 1"] + stroke + ["LEFTSHIFT 0"] if key.startswith("+") else stroke
    return ", ".join(events)


# DTR powers the keyboard and RTS is the handheld's DSR: both up from the
# open on. The Palm Portable's wake-up is a pulse on RTS, DTR staying up.
POWERED = Lines("DTR RTS")
WOKEN = Lines("DTR RTS 500, DTR 150, DTR RTS")

# "Ok, 42!" and Enter.
OK_42 = typed("+O K COMMA SPACE 4 2 +1 ENTER")
CTRL_C = "LEFTCTRL 1, C 1, C 0, LEFTCTRL 0"
ALT_TAB = "LEFTALT 1, TAB 1, TAB 0, LEFTALT 0"

# The Flexis's "Ok, 42!" with Shift let go before the O: bit 7 set is a
# press. In key mode Shift comes up where the keyboard lets it go; the
# handheld's road types a whole stroke at the make.
FLEXIS_OK_42 = "b8 9f 38 1f a8 28 ab 2b b1 31 95 15 93 13 b8 92 12 38 a4 24"

CASES = [
    Case("happy-hacking", 4800, [
        POWERED,
        # Scan code set 2: a make code, F0 and the code at the break.
        Send("12 44 f0 44 f0 12 42 f0 42 41 f0 41 29 f0 29 25 f0 25 1e f0 1e 12 16 f0 16 f0 12 5a f0 5a",
             events=OK_42),
        Send("14 21 f0 21 f0 14", events=CTRL_C),
        Send("11 0d f0 0d f0 11", events=ALT_TAB),
        # The keyboard's typematic sends the make again while A is held.
        Send("1c", Pause(0.5), "1c", Pause(0.25), "1c", Pause(0.25), "f0 1c", events="A 1, A 0", repeats="A"),
        Send("1c", events="A 1"),
        Keys("A"),
        Stop("A 0"),
        Start(),
        Send("12 1c", events="LEFTSHIFT 1, A 1"),
        Keys("LEFTSHIFT A"),
        Unplug("A 0, LEFTSHIFT 0"),
        Replug(),
        # E0 75, E0 F0 75: Up, an extended key.
        Send("33 f0 33 43 f0 43 e0 75 e0 f0 75 5a f0 5a", events=typed("H I UP ENTER")),
        Latency("1c", "f0 1c", "A", 60),
        Tagged("Clavenet Happy Hacking keyboard"),
        Identity("Clavenet Happy Hacking keyboard"),
    ]),
    Case("flexis", 9600, [
        POWERED,
        Send(FLEXIS_OK_42, events="LEFTSHIFT 1, O 1, LEFTSHIFT 0, O 0, " + typed("K COMMA SPACE 4 2 +1 ENTER")),
        Send("bb 88 08 3b", events=CTRL_C),
        Send("ba b0 30 3a", events=ALT_TAB),
        Send("80", HOLD, "00", events="A 1, A 0", repeats="A"),
        Send("80", events="A 1"),
        Keys("A"),
        Stop("A 0"),
        Start(),
        Send("b8 80", events="LEFTSHIFT 1, A 1"),
        Keys("LEFTSHIFT A"),
        Unplug("A 0, LEFTSHIFT 0"),
        Replug(),
        Send("84 04 a2 22 a4 24", events=typed("H I ENTER")),
        Latency("80", "00", "A", 60),
        Tagged("Clavenet Flexis keyboard"),
        Identity("Clavenet Flexis keyboard"),
    ]),
    Case("gotype", 2400, [
        POWERED,
        # Bit 7 set is a release. The GoType has no known Control key.
        Send("5b 18 98 db 24 a4 30 b0 33 b3 05 85 03 83 5b 02 82 db 28 a8", events=OK_42),
        Send("5d 0f 8f dd", events=ALT_TAB),
        # The keyboard repeats a held key by sending its press again.
        Send("1d", Pause(0.5), "1d", Pause(0.5), "9d", events="A 1, A 0", repeats="A"),
        Send("1d", events="A 1"),
        Keys("A"),
        Stop("A 0"),
        Start(),
        Send("5b 1d", events="LEFTSHIFT 1, A 1"),
        Keys("LEFTSHIFT A"),
        Unplug("A 0, LEFTSHIFT 0"),
        Replug(),
        Send("22 a2 17 97 28 a8", events=typed("H I ENTER")),
        Latency("1d", "9d", "A", 60),
        Tagged("Clavenet GoType keyboard"),
        Identity("Clavenet GoType keyboard"),
    ]),
    Case("palm-portable", 9600, [
        # Its answer to the wake-up pulse names no key. It comes at once, as
        # the program waits for it only 1 s.
        Send("fa fd", events=""),
        WOKEN,
        Says("the Palm Portable keyboard answered its wake-up (fa fd)"),
        # Bit 7 set is a break.
        Send("58 3e be d8 45 c5 4d cd 17 97 04 84 01 81 58 00 80 d8 41 c1", events=OK_42),
        Send("1a 2c ac 9a", events=CTRL_C),
        Send("23 19 99 a3", events=ALT_TAB),
        Send("11", HOLD, "91", events="A 1, A 0", repeats="A"),
        Send("11", events="A 1"),
        Keys("A"),
        Stop("A 0"),
        Start(),
        Send("58 11", events="LEFTSHIFT 1, A 1"),
        Keys("LEFTSHIFT A"),
        Unplug("A 0, LEFTSHIFT 0"),
        Replug(),
        WOKEN,
        Says("no answer from the Palm Portable keyboard to its wake-up within 1 s"),
        Send("16 96 3d bd 41 c1", events=typed("H I ENTER")),
        Latency("11", "91", "A", 60),
        Tagged("Clavenet Palm Portable keyboard"),
        Identity("Clavenet Palm Portable keyboard"),
    ]),
    Case("pocketop", 9600, [
        POWERED,
        # Bit 7 set is a break. Digits from the number layer (6e), "!" from
        # the Fn layer (76) as shift+1; Fn let go before Q, whose break
        # still lets go of what its make pressed. Layer keys type nothing.
        Send("65 41 c1 e5 3a ba 43 c3 2b ab 6e 19 99 09 89 ee 76 01 f6 81 5a da", events=OK_42),
        # Two space bars, one Linux key: up when both are.
        Send("2b 34 ab b4", events="SPACE 1, SPACE 0"),
        Send("6d 13 93 ed", events=CTRL_C),
        # Tab is Fn+Escape.
        Send("66 76 69 e9 f6 e6", events=ALT_TAB),
        Send("07", HOLD, "87", events="A 1, A 0", repeats="A"),
        Send("07", events="A 1"),
        Keys("A"),
        Stop("A 0"),
        Start(),
        Send("65 07", events="LEFTSHIFT 1, A 1"),
        Keys("LEFTSHIFT A"),
        Unplug("A 0, LEFTSHIFT 0"),
        Replug(),
        Send("2f af 39 b9 5a da", events=typed("H I ENTER")),
        Latency("07", "87", "A", 60),
        Tagged("Clavenet Pocketop keyboard"),
        Identity("Clavenet Pocketop keyboard"),
    ]),
    # The handheld's road: each message its decoder posts one whole stroke.
    Case("flexis", 9600, [
        Send(FLEXIS_OK_42, events=OK_42),
    ], options=["--keypad"]),
]
