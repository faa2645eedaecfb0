#!/usr/bin/env python3
"""Tables for bench/run.sh, as `arl write` lines of a batch (learned entries
unless said), each entry in a bucket of the simulated switch with room:
  pairs     every MAC on VLANs 1 and 17 (one MAC, two rows of the same low
            VLAN bits), a full table;
  turns     128 entries whose VLAN ids come in turn along the walk: 5, 21,
            ... 245, 5, ...;
  sixteen   a full table, its VLAN ids so in turn bucket by bucket;
  random    a full table of random MACs on VLANs 0 and 1 (seeded);
  chain     4,096 MACs that a hash of 12 bits of the key (h = h * 33 ^ byte,
            from the low VLAN bits) puts in one chain: what one host sending
            from forged source addresses can leave in the table;
  want N    N static entries on VLAN 1 for an empty table (apply check).
usage: tables.py NAME [N]"""
import random
import sys


def bucket(key, vid):
    h = key ^ key >> 11 ^ key >> 22 ^ key >> 33 ^ key >> 44
    return (h ^ vid) & 2047


def mac(key):
    return "%012x" % key


def emit(entries, static=0):
    for key, vid, port in entries:
        print("arl write %d %s 1 %d 0 0 %d" % (vid, mac(key), static, port))


def fill(candidates, limit):
    used, out = {}, []
    for key, vid in candidates:
        b = bucket(key, vid)
        if used.get(b, 0) < 2:
            used[b] = used.get(b, 0) + 1
            out.append((key, vid, len(out) % 16))
        if len(out) == limit:
            break
    return out


def old_prefix(key, vid):
    """The 12-bit hash before the last byte's XOR, times 33."""
    h = vid & 15
    for i in range(5):
        h = (h * 33 ^ (key >> (40 - 8 * i) & 255)) & 0xFFFFFFFF
    return h * 33 % 4096


name = sys.argv[1]
rnd = random.Random(53115)
if name == "pairs":
    emit(fill(((0x020000000000 | k, v) for k in range(2048) for v in (1, 17)), 4096))
elif name == "turns":
    emit([(i ^ (5 + 16 * (i % 16)), 5 + 16 * (i % 16), i % 16) for i in range(128)])
elif name == "sixteen":
    tag = 1 << 11 | 1 << 22  # keeps the bucket
    emit([(b ^ (5 + 16 * (b % 16)) | tag * t, 5 + 16 * (b % 16), b % 16) for b in range(2048) for t in (0, 1)])
elif name == "random":
    emit(fill(((rnd.getrandbits(48) & 0xFEFFFFFFFFFF, rnd.choice((0, 1))) for _ in range(60000)), 4096))
elif name == "chain":
    def crafted():  # the last byte cancels the hash's low 8 bits where its top 4 are 0
        while True:
            key = 0x020000000000 | rnd.getrandbits(24) << 8
            h = old_prefix(key, 1)
            if h < 256:
                yield key | h, 1
    emit(fill(crafted(), 4096))
elif name == "want":
    emit(fill(((0x020000000000 | k, 1) for k in range(4096)), int(sys.argv[2])), static=1)
