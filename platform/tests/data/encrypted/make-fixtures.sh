#!/usr/bin/env bash
# Makes the encrypted documents of this folder, once: a page drawing a 2 x 2
# gray image (sides in an object of their own, so that in the documents with
# object streams they are in an encrypted one), the same with an image of
# 1,000,000 x 1,000,000 pixels, and a page with a million nested saved
# states; each locked with an owner password only (the empty user password
# opens it), and two that need a user password. Needs python3 and qpdf.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

page() { # name content side
  python3 - "$work/$1.pdf" "$2" "$3" <<'PY'
import sys
path, content, side = sys.argv[1], sys.argv[2].encode(), sys.argv[3].encode()
if content == b"nested":
    content = b"q " * 1000000 + b"0 0 1 1 re f " + b"Q " * 1000000
image = b"\x80" * 4
objects = [
    b"<< /Type /Catalog /Pages 2 0 R >>",
    b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
    b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Contents 4 0 R"
    b" /Resources << /XObject << /Im0 5 0 R >> >> >>",
    b"<< /Length %d >>\nstream\n%s\nendstream" % (len(content), content),
    b"<< /Type /XObject /Subtype /Image /Width 6 0 R /Height 6 0 R /ColorSpace /DeviceGray"
    b" /BitsPerComponent 8 /Length 4 >>\nstream\n%s\nendstream" % image,
    side,
]
out = b"%PDF-1.6\n"
offsets = []
for i, o in enumerate(objects):
    offsets.append(len(out))
    out += b"%d 0 obj\n%s\nendobj\n" % (i + 1, o)
xref = len(out)
out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
out += b"".join(b"%010d 00000 n \n" % o for o in offsets)
out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
open(path, "wb").write(out)
PY
}

page picture "q 200 0 0 100 0 0 cm /Im0 Do Q" 2
page huge "q 200 0 0 100 0 0 cm /Im0 Do Q" 1000000
page nested nested 2

for name in picture huge nested; do
  qpdf --allow-weak-crypto --encrypt "" owner 40 -- "$work/$name.pdf" "$name-rc4-40.pdf"
  qpdf --allow-weak-crypto --object-streams=generate --encrypt "" owner 128 --use-aes=n -- \
    "$work/$name.pdf" "$name-rc4-128.pdf"
  qpdf --object-streams=generate --encrypt "" owner 128 --use-aes=y -- \
    "$work/$name.pdf" "$name-aes-128.pdf"
  qpdf --object-streams=generate --encrypt "" owner 256 -- "$work/$name.pdf" "$name-aes-256.pdf"
done
qpdf --encrypt "" owner 256 --force-R5 -- "$work/picture.pdf" picture-aes-256-r5.pdf
qpdf --encrypt "" owner 128 --use-aes=y --cleartext-metadata -- \
  "$work/picture.pdf" picture-aes-128-clear-metadata.pdf
qpdf --allow-weak-crypto --encrypt user owner 128 --use-aes=n -- \
  "$work/picture.pdf" locked-rc4-128.pdf
qpdf --encrypt user owner 256 -- "$work/picture.pdf" locked-aes-256.pdf
