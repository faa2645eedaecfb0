#!/usr/bin/env python3
"""Random write, mwrite and mdel commands against a model of the table's
buckets, with reads, searches and listings in between to leave stale
values in the slot registers.  After each command the simulated switch's
bins (switchsim show --all --json) must equal the model: exactly the
commanded entry changed, or the command failed with status 1 and nothing
changed.

usage: bucket_model.py SW53115 SWITCHSIM [EMULATOR] (SEED and STEPS from the
environment, default a fresh seed and 300 steps)"""
import json
import os
import random
import subprocess
import sys
import tempfile

SW, SIM = sys.argv[1], sys.argv[2]
EMU = sys.argv[3].split() if len(sys.argv) > 3 and sys.argv[3] else []
SEED = int(os.environ.get("SEED", random.randrange(1 << 32)))
STEPS = int(os.environ.get("STEPS", "300"))
rng = random.Random(SEED)


def run(prog, *args):
    p = subprocess.run(EMU + [prog] + [str(a) for a in args], capture_output=True, text=True,
                       timeout=60)
    return p.returncode, p.stdout, p.stderr


def bucket(mac, vid):
    """The simulated switch's bucket: the key folded to 11 bits, XOR vid."""
    k = int(mac.replace(":", ""), 16)
    h = k ^ k >> 11 ^ k >> 22 ^ k >> 33 ^ k >> 44
    return (h ^ vid) & 2047


def bins():
    rc, out, err = run(SIM, "show", "--all", "--json")
    assert rc == 0, err
    return {(e["bucket"], e["bin"]): e for e in json.loads(out)}


def fail(why):
    print(f"FAIL (SEED={SEED}): {why}")
    sys.exit(1)


def entry(mac, vid, port, static, age, valid, tc):
    return {"mac": mac, "vid": vid, "port": port, "static": bool(static), "age": bool(age),
            "valid": bool(valid), "tc": tc & 3}


# MACs that share buckets: a base and three partners, each with two bits
# flipped that fold onto the same bit of the bucket; VLANs 6 (mwrite's) and 9.
bases = [0x020000000000 | rng.randrange(1 << 11) for _ in range(24)]
macs = []
for b in bases:
    for m in (b, b ^ 1 << 11 ^ 1, b ^ 1 << 44 ^ 1, b ^ 1 << 27 ^ 1 << 5):
        macs.append(":".join(f"{m >> s & 0xFF:02x}" for s in range(40, -8, -8)))
vids = [6, 9]

with tempfile.TemporaryDirectory() as tmp:
    os.environ["SWITCHSIM_STATE"] = os.path.join(tmp, "state")
    os.environ.pop("SWITCHSIM_LOG", None)
    run(SIM, "reset")
    # Fill: many buckets with both bins taken.
    for mac in macs[::2]:
        run(SIM, "add", mac, rng.choice(vids), rng.randrange(16))
    model = bins()
    for step in range(STEPS):
        # Something that loads other buckets into the slots first.
        other = rng.choice(macs)
        rng.choice([lambda: run(SW, "arl", "read", rng.choice(vids), other),
                    lambda: run(SW, "arl", "search", other),
                    lambda: run(SW, "arl", "show")])()

        mac, kind = rng.choice(macs), rng.choice(["write", "write", "mwrite", "mdel"])
        port, static, age, tc = rng.randrange(16), rng.randrange(2), rng.randrange(2), rng.randrange(8)
        if kind == "write":
            vid, valid = rng.choice(vids), rng.choice([1, 1, 0])
            args = ["write", vid, mac, valid, static, age, tc, port]
        else:
            vid, valid, tc = 6, int(kind == "mwrite"), 0
            args = [kind, static, port, mac, age]
        rc, out, err = run(SW, "arl", *args)

        # The model: the bin holding this MAC and VLAN, else (for a valid
        # entry) the first bin without a valid entry, else nothing.
        b = bucket(mac, vid)
        mine = [k for k in (0, 1) if model[(b, k)]["valid"] and model[(b, k)]["mac"] == mac
                and model[(b, k)]["vid"] == vid]
        free = [k for k in (0, 1) if not model[(b, k)]["valid"]]
        want, want_rc = dict(model), 0
        if mine or (valid and free):
            k = (mine or free)[0]
            want[(b, k)] = dict(entry(mac, vid, port, static, age, valid, tc), bucket=b, bin=k)
        else:
            want_rc = 1
        got = bins()
        what = f"step {step}: sw53115 arl {' '.join(map(str, args))} (bucket {b})"
        if rc != want_rc:
            fail(f"{what}: status {rc}, want {want_rc}; stderr: {err}")
        held = " and ".join(f"{e['mac']} on VLAN {e['vid']} ({'static' if e['static'] else 'dynamic'}, "
                            f"port {e['port']})" for e in (want.get((b, 0)), want.get((b, 1))) if e)
        if rc == 1 and (f"its bucket holds {held}" if valid
                        else f"no entry for {mac} on VLAN {vid}") not in err:
            fail(f"{what}: the failure does not name the bucket's occupants or the entry absent: {err}")
        if rc == 0 and (out or err):
            fail(f"{what}: output {out!r} {err!r}")
        if got != want:
            diff = [(k, want.get(k), got.get(k)) for k in sorted(set(want) | set(got))
                    if want.get(k) != got.get(k)]
            fail(f"{what}: bins differ from the model: {diff[:4]}")
        model = got
print(f"{STEPS} commands matched the model (SEED={SEED})")
