"""The BMP and PNG code of scripts/readme_pictures.py, which the pictures' staleness test
relies on: a PNG it writes reads back pixel for pixel, every PNG row filter decodes, BMP
rows are read bottom-up past their padding, and differing pixels are counted."""

import os
import struct
import sys
import tempfile
import unittest
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import readme_pictures as pictures  # noqa: E402


def pattern(width, height):
    return [bytes((x * 7 + y * 3) % 256 for x in range(width * 3)) for y in range(height)]


def write_bmp(path, width, rows):
    stride = (width * 3 + 3) & ~3
    body = b""
    for row in reversed(rows):
        bgr = bytearray(width * 3)
        bgr[0::3], bgr[1::3], bgr[2::3] = row[2::3], row[1::3], row[0::3]
        body += bytes(bgr) + b"\0" * (stride - width * 3)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(body), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, len(rows), 1, 24, 0, len(body), 0, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + body)


def filtered(rows, kinds):
    """Encodes rows with the given PNG filter per row, as an encoder would."""
    out, previous = b"", bytes(len(rows[0]))
    for row, kind in zip(rows, kinds):
        line = bytearray()
        for i, value in enumerate(row):
            left = row[i - 3] if i >= 3 else 0
            up = previous[i]
            corner = previous[i - 3] if i >= 3 else 0
            predict = [0, left, up, (left + up) // 2, pictures.paeth(left, up, corner)][kind]
            line.append((value - predict) & 255)
        out += bytes((kind,)) + bytes(line)
        previous = row
    return out


class PictureFiles(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.folder.cleanup()

    def path(self, name):
        return os.path.join(self.folder.name, name)

    def test_png_written_reads_back(self):
        rows = pattern(5, 4)
        pictures.write_png(self.path("a.png"), 5, 4, rows)
        self.assertEqual(pictures.read_png(self.path("a.png")), (5, 4, rows))

    def test_every_row_filter_decodes(self):
        rows = pattern(6, 5)
        with open(self.path("f.png"), "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n")
            f.write(pictures.png_chunk(b"IHDR", struct.pack(">IIBBBBB", 6, 5, 8, 2, 0, 0, 0)))
            data = zlib.compress(filtered(rows, [0, 1, 2, 3, 4]))
            # The data split over two IDAT chunks, as encoders may write it.
            f.write(pictures.png_chunk(b"IDAT", data[:7]))
            f.write(pictures.png_chunk(b"IDAT", data[7:]))
            f.write(pictures.png_chunk(b"IEND", b""))
        self.assertEqual(pictures.read_png(self.path("f.png")), (6, 5, rows))

    def test_png_other_than_8_bit_rgb_is_refused(self):
        with open(self.path("g.png"), "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n")
            f.write(pictures.png_chunk(b"IHDR", struct.pack(">IIBBBBB", 1, 1, 8, 6, 0, 0, 0)))
            f.write(pictures.png_chunk(b"IDAT", zlib.compress(b"\0\0\0\0\0")))
            f.write(pictures.png_chunk(b"IEND", b""))
        with self.assertRaises(ValueError):
            pictures.read_png(self.path("g.png"))
        with open(self.path("h.png"), "wb") as f:
            f.write(b"GIF89a")
        with self.assertRaises(ValueError):
            pictures.read_png(self.path("h.png"))

    def test_bmp_rows_bottom_up_with_padding(self):
        # 5 pixels of 3 bytes: each row is padded from 15 to 16 bytes.
        rows = pattern(5, 3)
        write_bmp(self.path("b.bmp"), 5, rows)
        self.assertEqual(pictures.read_bmp(self.path("b.bmp")), (5, 3, rows))

    def test_differing_pixels(self):
        rows = pattern(4, 2)
        changed = [rows[0], rows[1][:3] + bytes((rows[1][3] ^ 1,)) + rows[1][4:]]
        self.assertEqual(pictures.differing_pixels((4, 2, rows), (4, 2, rows)), 0)
        self.assertEqual(pictures.differing_pixels((4, 2, rows), (4, 2, changed)), 1)
        self.assertEqual(pictures.differing_pixels((4, 2, rows), (2, 4, rows)), 8)


if __name__ == "__main__":
    unittest.main()
