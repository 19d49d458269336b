#!/usr/bin/env python3
"""Writes the media of examples/walk.ztb into examples/walk_media/ (or the folder given):

  walker.3ds  a small figure of boxes (body, head, two arms, two legs), each a separate
              object, joined in a keyframer hierarchy under the body, with rotation and
              position tracks over 40 frames: legs and arms swing, the body bobs, the head
              looks left and right.
  chime.wav   a short bell, played when a gem is collected.
  bump.wav    a short thud, played when the walker bumps into something.

The files depend only on this script (Python's standard library), so running it again gives
the same bytes; a test checks that the shipped files are its output.

    python3 examples/make_walk_media.py [FOLDER]
"""

import math
import os
import struct
import sys

# --- 3DS chunks -----------------------------------------------------------------------------
# Every chunk is a 16-bit id, a 32-bit length counting its six header bytes, then its body.


def chunk(cid, *parts):
    body = b"".join(parts)
    return struct.pack("<HI", cid, 6 + len(body)) + body


def name(text):
    return text.encode("ascii") + b"\0"


def floats(*values):
    return struct.pack("<%df" % len(values), *values)


def box_faces(x0, x1, y0, y1, z0, z1, first):
    """The 24 corners (four per side, so each side keeps its own flat normal) and 12
    triangles of a box, counter-clockwise seen from outside; corner numbers start at
    `first`."""
    sides = [
        ((1, 0, 0), [(x1, y0, z0), (x1, y1, z0), (x1, y1, z1), (x1, y0, z1)]),
        ((-1, 0, 0), [(x0, y1, z0), (x0, y0, z0), (x0, y0, z1), (x0, y1, z1)]),
        ((0, 1, 0), [(x1, y1, z0), (x0, y1, z0), (x0, y1, z1), (x1, y1, z1)]),
        ((0, -1, 0), [(x0, y0, z0), (x1, y0, z0), (x1, y0, z1), (x0, y0, z1)]),
        ((0, 0, 1), [(x0, y0, z1), (x1, y0, z1), (x1, y1, z1), (x0, y1, z1)]),
        ((0, 0, -1), [(x0, y1, z0), (x1, y1, z0), (x1, y0, z0), (x0, y0, z0)]),
    ]
    corners, faces = [], []
    for normal, quad in sides:
        a, b, c = quad[0], quad[1], quad[2]
        e1 = [b[i] - a[i] for i in range(3)]
        e2 = [c[i] - a[i] for i in range(3)]
        cross = (e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0])
        assert sum(cross[i] * normal[i] for i in range(3)) > 0, "a side would face inwards"
        n = first + len(corners)
        corners += quad
        faces += [(n, n + 1, n + 2), (n, n + 2, n + 3)]
    return corners, faces


def mesh_object(object_name, boxes, material):
    corners, faces = [], []
    for b in boxes:
        c, f = box_faces(*b, first=len(corners))
        corners += c
        faces += f
    vertices = chunk(0x4110, struct.pack("<H", len(corners)), b"".join(floats(*c) for c in corners))
    face_material = chunk(0x4130, name(material), struct.pack("<H", len(faces)),
                          struct.pack("<%dH" % len(faces), *range(len(faces))))
    face_list = chunk(0x4120, struct.pack("<H", len(faces)),
                      b"".join(struct.pack("<4H", a, b, c, 7) for a, b, c in faces), face_material)
    return chunk(0x4000, name(object_name), chunk(0x4100, vertices, face_list))


def material(material_name, red, green, blue):
    return chunk(0xAFFF, chunk(0xA000, name(material_name)), chunk(0xA020, chunk(0x0011, bytes((red, green, blue)))))


def track(cid, keys):
    """A keyframer track: flags, eight unused bytes, the key count, then per key its frame,
    no spline values, and the key's numbers."""
    body = struct.pack("<H8xI", 0, len(keys))
    for frame, values in keys:
        body += struct.pack("<IH", frame, 0) + floats(*values)
    return chunk(cid, body)


def node(node_id, node_name, parent, pivot, position_keys, rotation_keys):
    return chunk(0xB002,
                 chunk(0xB030, struct.pack("<H", node_id)),
                 chunk(0xB010, name(node_name), struct.pack("<HHH", 0, 0, parent)),
                 chunk(0xB013, floats(*pivot)),
                 track(0xB020, position_keys),
                 track(0xB021, rotation_keys),
                 track(0xB022, [(0, (1.0, 1.0, 1.0))]))


# The stride lasts 40 frames: the legs pass each other at 0, 20 and 40 and are furthest
# apart at 10 and 30. Rotation keys are relative turns (each applies to the one before), so
# a swing from +a to -a is a key of -2a.
STRIDE = [0, 10, 20, 30, 40]


def swing(amplitude, axis):
    turns = [0.0, amplitude, -2 * amplitude, 2 * amplitude, -amplitude]
    return [(f, (t,) + axis) for f, t in zip(STRIDE, turns)]


def still(offset):
    return [(0, offset)]


def walker():
    x_axis, z_axis = (1.0, 0.0, 0.0), (0.0, 0.0, 1.0)
    # The figure stands on z = 0 facing +y; each part turns about its joint (its pivot).
    parts = [
        # object, boxes (x0, x1, y0, y1, z0, z1), material, parent node, joint
        ("Body", [(-1.3, 1.3, -0.8, 0.8, 4.2, 7.6)], "Shirt", 0xFFFF, (0.0, 0.0, 4.2)),
        ("Head", [(-0.8, 0.8, -0.8, 0.8, 7.8, 9.4), (-0.3, 0.3, 0.7, 1.1, 8.2, 8.7)], "Skin", 0, (0.0, 0.0, 7.6)),
        ("Left arm", [(1.4, 2.1, -0.35, 0.35, 4.3, 7.5)], "Skin", 0, (1.75, 0.0, 7.3)),
        ("Right arm", [(-2.1, -1.4, -0.35, 0.35, 4.3, 7.5)], "Skin", 0, (-1.75, 0.0, 7.3)),
        ("Left leg", [(0.15, 1.15, -0.45, 0.45, 0.6, 4.2), (0.1, 1.2, -0.6, 1.2, 0.0, 0.6)], "Trousers", 0,
         (0.65, 0.0, 4.2)),
        ("Right leg", [(-1.15, -0.15, -0.45, 0.45, 0.6, 4.2), (-1.2, -0.1, -0.6, 1.2, 0.0, 0.6)], "Trousers", 0,
         (-0.65, 0.0, 4.2)),
    ]
    rotations = {
        "Body": swing(0.08, z_axis),
        "Head": swing(0.25, z_axis),
        "Left arm": swing(-0.5, x_axis),
        "Right arm": swing(0.5, x_axis),
        "Left leg": swing(0.55, x_axis),
        "Right leg": swing(-0.55, x_axis),
    }
    editor = [material("Shirt", 200, 60, 40), material("Skin", 240, 200, 160), material("Trousers", 50, 70, 150)]
    nodes = []
    for i, (part, boxes, mat, parent, joint) in enumerate(parts):
        editor.append(mesh_object(part, boxes, mat))
        if parent == 0xFFFF:
            # The body bobs: highest as the legs pass, lowest when they are furthest apart.
            position = [(f, (0.0, 0.0, joint[2] + (0.15 if f % 20 == 0 else -0.15))) for f in STRIDE]
        else:
            # A child's position is its joint seen from its parent's joint.
            base = parts[parent][4]
            position = still(tuple(joint[k] - base[k] for k in range(3)))
        nodes.append(node(i, part, parent, joint, position, rotations[part]))
    keyframer = chunk(0xB000, chunk(0xB008, struct.pack("<II", 0, STRIDE[-1])), *nodes)
    return chunk(0x4D4D, chunk(0x0002, struct.pack("<I", 3)), chunk(0x3D3D, *editor), keyframer)


# --- Sounds ---------------------------------------------------------------------------------

RATE = 22050


def wav(samples):
    data = struct.pack("<%dh" % len(samples), *samples)
    header = struct.pack("<4sI4s4sIHHIIHH4sI", b"RIFF", 36 + len(data), b"WAVE", b"fmt ", 16, 1, 1, RATE, RATE * 2, 2,
                         16, b"data", len(data))
    return header + data


def clip(value):
    return max(-32767, min(32767, int(round(value))))


def chime():
    """Two bell partials, fading over a quarter of a second."""
    n = RATE // 4
    return wav([clip(12000 * math.exp(-12 * i / RATE) *
                     (math.sin(2 * math.pi * 1320 * i / RATE) + 0.5 * math.sin(2 * math.pi * 1980 * i / RATE)))
                for i in range(n)])


def bump():
    """A low thud with a little noise on its attack, over a seventh of a second."""
    n = RATE // 7
    noise, samples = 12345, []
    for i in range(n):
        noise = (noise * 1103515245 + 12345) % 2147483648
        attack = (noise / 1073741824.0 - 1.0) * math.exp(-60 * i / RATE)
        body = math.sin(2 * math.pi * (90 - 200 * i / RATE) * i / RATE) * math.exp(-20 * i / RATE)
        samples.append(clip(20000 * body + 6000 * attack))
    return wav(samples)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "walk_media")
    os.makedirs(folder, exist_ok=True)
    for file_name, data in (("walker.3ds", walker()), ("chime.wav", chime()), ("bump.wav", bump())):
        with open(os.path.join(folder, file_name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
