#!/usr/bin/python3
"""Tagged MP3 files as common taggers and rippers make them, and what mutagen reads in a file.

  tagged_mp3s.py make DIR AUDIO.mp3 COVER.png   writes DIR/<name>.mp3 and prints the names
  tagged_mp3s.py dump FILE.mp3...               prints the frames of each file as JSON:
                                                {file: {mutagen's key: {field: value}}}
"""
import json, shutil, struct, subprocess, sys, hashlib

from mutagen.id3 import (ID3, APIC, COMM, TALB, TCON, TDRC, TIT1, TIT2, TOAL, TOPE, TPE1,
                         TRCK, TXXX, TCOM, TPOS)


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def with_tag(audio, tag_body, version, path, flags=0):
    with open(audio, "rb") as f:
        data = f.read()
    with open(path, "wb") as f:
        f.write(b"ID3" + bytes([version, 0, flags]) + syncsafe(len(tag_body)) + tag_body + data)


def mutagen_tag(version):
    t = ID3()
    t.add(TIT2(encoding=3, text=["Titel ☃"]))
    t.add(TPE1(encoding=3, text=["Ärtist", "Other"] if version == 4 else ["Ärtist"]))
    t.add(TALB(encoding=1, text=["Album"]))
    t.add(TCOM(encoding=0, text=["Composer"]))
    t.add(TIT1(encoding=0, text=["Grouping"]))
    t.add(TOPE(encoding=0, text=["Original Artist"]))
    t.add(TOAL(encoding=0, text=["Original Album"]))
    t.add(TRCK(encoding=0, text=["3/12"]))
    t.add(TPOS(encoding=0, text=["1/2"]))
    t.add(TCON(encoding=0, text=["Rock", "Pop"] if version == 4 else ["(17)"]))
    t.add(TDRC(encoding=0, text=["2021-03-04"]))
    t.add(COMM(encoding=1, lang="eng", desc="", text=["Wirklich ☃"]))
    t.add(COMM(encoding=0, lang="eng", desc="iTunNORM", text=[" 0000021C 00000215 00001A33"]))
    t.add(COMM(encoding=0, lang="eng", desc="iTunSMPB", text=[" 00000000 00000210 000007A8"]))
    t.add(TXXX(encoding=3, desc="MusicBrainz Album Id", text=["4c2f"]))
    return t


def make(out, audio, cover):
    png = open(cover, "rb").read()
    made = []

    def copy(name):
        path = f"{out}/{name}.mp3"
        shutil.copyfile(audio, path)
        made.append(name)
        return path

    for version in (3, 4):
        t = mutagen_tag(version)
        t.add(APIC(encoding=3, mime="image/png", type=3, desc="Cover", data=png))
        t.save(copy(f"mutagen{version}"), v2_version=version)

    subprocess.run(["eyeD3", "-Q", "--add-image", cover + ":FRONT_COVER", "--comment", "Real",
                    "--add-comment", " 0000021C 00000215:iTunNORM", "--user-text-frame",
                    "MOOD:calm", "-n", "3", "-N", "12", "-G", "Rock", "--release-date",
                    "2021-03-04", "-t", "Eye", "-a", "Eye Artist", "-A", "Eye Album",
                    copy("eyed3_24")], check=True, stdout=subprocess.DEVNULL)
    path = copy("eyed3_23")
    subprocess.run(["eyeD3", "-Q", "--to-v2.3", "--add-image", cover + ":FRONT_COVER", "-t",
                    "Eye ☃", "-a", "Eye Artist", "-n", "3", "-N", "12", "-Y", "1999", path],
                   check=True, stdout=subprocess.DEVNULL)

    subprocess.run(["id3v2", "-t", "Id Title", "-a", "Id Artist", "-A", "Id Album", "-c",
                    "Id comment", "-g", "17", "-T", "3/12", "-y", "1999", "--TXXX", "Key:Value",
                    copy("id3v2tool")], check=True, stdout=subprocess.DEVNULL)

    for version in (3, 4):
        path = f"{out}/ffmpeg{version}.mp3"
        subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-i", audio, "-i", cover, "-map",
                        "0:a", "-map", "1", "-c", "copy", "-id3v2_version", str(version),
                        "-metadata", "title=FF ☃", "-metadata", "artist=FF Artist",
                        "-metadata", "comment=FF comment", "-metadata", "genre=Rock (Classic)",
                        "-metadata", "track=300", "-metadata", "date=2021-03-04",
                        "-metadata:s:v", "comment=Cover (front)", path], check=True)
        made.append(f"ffmpeg{version}")

    # Version 2.2, as old iTunes wrote it: three-letter frames and a PIC picture.
    def v22(fid, body):
        return fid + struct.pack(">I", len(body))[1:] + body
    body = (v22(b"TT2", b"\x00Old Title") + v22(b"TP1", b"\x01\xff\xfeA\x00r\x00t\x00") +
            v22(b"TCO", b"\x00(17)") + v22(b"TRK", b"\x003/12") + v22(b"TYE", b"\x001998") +
            v22(b"COM", b"\x00engiTunNORM\x00 0000021C") + v22(b"COM", b"\x00eng\x00Old comment") +
            v22(b"TXX", b"\x00Key\x00Value") + v22(b"PIC", b"\x00PNG\x03\x00" + png))
    with_tag(audio, body + b"\x00" * 64, 2, copy("v22"))

    # Version 2.4 frames with unsynchronisation and a data length indicator.
    def v24(fid, body, flags=0):
        data = body
        if flags & 0x01:
            data = syncsafe(len(body)) + data
        if flags & 0x02:
            data = data.replace(b"\xff", b"\xff\x00")
        return fid + syncsafe(len(data)) + bytes([0, flags]) + data
    picture = b"\x00image/png\x00\x03\xff\xe0\x00" + png
    body = (v24(b"TIT2", b"\x03Vier") + v24(b"APIC", picture, 0x03) +
            v24(b"TCON", b"\x0017\x00Pop") + v24(b"TDRL", b"\x032020-01-02", 0x01) +
            v24(b"COMM", b"\x03eng\x00Flags"))
    with_tag(audio, body + b"\x00" * 32, 4, copy("v24flags"))
    print("\n".join(made))


def frames(path):
    out = {}
    for key, frame in sorted(ID3(path).items()):
        fields = {}
        for name, value in vars(frame).items():
            if name == "encoding":
                continue  # version 2.3 has fewer encodings: the text counts, not its form
            if isinstance(value, bytes):
                value = hashlib.sha1(value).hexdigest()
            fields[name] = str(value) if not isinstance(value, (int, str)) else value
        out[key] = fields
    return out


if __name__ == "__main__":
    if sys.argv[1] == "make":
        make(*sys.argv[2:5])
    else:
        print(json.dumps({path: frames(path) for path in sys.argv[2:]}, ensure_ascii=False))
