#!/usr/bin/env python3
"""Writes COUNT tagged MP3 files under FOLDER/Artist NN/Album NN/NN Title.mp3: one short
lame-encoded tone, each copy with an ID3v2.3 tag of its own (title, artist, album, year,
genre, track) and an ID3v1 tag.

With a third argument "mixed", a fifth of the files each are MP3, FLAC, Ogg Vorbis, Opus and
M4A (AAC): the same tone encoded once per format by ffmpeg, each copy tagged with the same
fields by mutagen (run it with the system's python3, which has mutagen)."""
import os, shutil, subprocess, sys, tempfile

folder, count = sys.argv[1], int(sys.argv[2])
mixed = len(sys.argv) > 3 and sys.argv[3] == "mixed"
FORMATS = [("flac", "flac"), ("ogg", "libvorbis"), ("opus", "libopus"), ("m4a", "aac")]
tmp = tempfile.mkdtemp()
wav, mp3 = os.path.join(tmp, "t.wav"), os.path.join(tmp, "t.mp3")
subprocess.run(["sox", "-n", "-r", "44100", "-c", "2", wav, "synth", "3", "sine", "440"], check=True)
subprocess.run(["lame", "--quiet", "-b", "128", wav, mp3], check=True)
audio = open(mp3, "rb").read()
templates = {}
if mixed:
    import mutagen
    for ext, codec in FORMATS:
        templates[ext] = os.path.join(tmp, "t." + ext)
        subprocess.run(["ffmpeg", "-v", "error", "-y", "-i", wav, "-c:a", codec, templates[ext]],
                       check=True)


def tagged_copy(ext, path, title, artist, album, track):
    shutil.copyfile(templates[ext], path)
    f = mutagen.File(path)
    if ext == "m4a":
        for key, value in (("\xa9nam", title), ("\xa9ART", artist), ("\xa9alb", album),
                           ("\xa9day", "2001"), ("\xa9gen", "Rock")):
            f[key] = [value]
        f["trkn"] = [(track, 10)]
    else:
        for key, value in (("TITLE", title), ("ARTIST", artist), ("ALBUM", album),
                           ("DATE", "2001"), ("GENRE", "Rock"), ("TRACKNUMBER", str(track))):
            f[key] = value
    f.save()

def frame(fid, text):
    body = b"\x00" + text.encode("latin-1")
    return fid.encode() + len(body).to_bytes(4, "big") + b"\x00\x00" + body

def syncsafe(n):
    return bytes([(n >> 21) & 127, (n >> 14) & 127, (n >> 7) & 127, n & 127])

def v1(title, artist, album):
    f = lambda s, n: s.encode("latin-1")[:n].ljust(n, b"\x00")
    return b"TAG" + f(title, 30) + f(artist, 30) + f(album, 30) + b"2001" + f("", 28) + b"\x00\x01\x11"

for i in range(count):
    artist, album = "Artist %03d" % (i // 100), "Album %03d" % (i // 10)
    title = "Title %06d" % i
    d = os.path.join(folder, artist, album)
    os.makedirs(d, exist_ok=True)
    if mixed and i % 5 != 0:
        ext = FORMATS[i % 5 - 1][0]
        tagged_copy(ext, os.path.join(d, "%02d %s.%s" % (i % 10 + 1, title, ext)), title, artist,
                    album, i % 10 + 1)
        continue
    frames = b"".join([frame("TIT2", title), frame("TPE1", artist), frame("TALB", album),
                       frame("TYER", "2001"), frame("TCON", "Rock"), frame("TRCK", str(i % 10 + 1))])
    frames += b"\x00" * 256
    tag = b"ID3\x03\x00\x00" + syncsafe(len(frames)) + frames
    with open(os.path.join(d, "%02d %s.mp3" % (i % 10 + 1, title)), "wb") as out:
        out.write(tag + audio + v1(title, artist, album))
shutil.rmtree(tmp)
