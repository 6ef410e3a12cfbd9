#!/usr/bin/python3
"""Audio files of the formats other than MP3, tagged as ffmpeg and mutagen tag them, and what
mutagen reads in one.

  tagged_audio.py make FILE   writes FILE, its extension naming the format (a name ending in
                              .alac.m4a holds ALAC): one second of a tone with a title, two
                              artists, album, track 3/12, disc 1/2, a date, ReplayGain fields
                              and a PNG front cover
  tagged_audio.py dump FILE   prints what mutagen reads as JSON:
                              {"fields": {key: [values]}, "pictures": [[where, type, mime,
                              description, md5 of the data]]}
"""
import base64, hashlib, json, subprocess, sys

import mutagen
from mutagen.apev2 import APEValue, BINARY
from mutagen.flac import Picture
from mutagen.id3 import APIC, TALB, TIT2, TPE1, TPE2, TPOS, TRCK, TXXX
from mutagen.mp4 import MP4Cover, MP4FreeForm

CODECS = {"flac": "flac", "ogg": "libvorbis", "opus": "libopus", "m4a": "aac",
          "wv": "wavpack", "wav": "pcm_s16le", "aiff": "pcm_s16be"}
# The muxers that store an attached picture themselves.
FFMPEG_COVERS = ("flac", "m4a")
GAIN = "-3.20 dB"
PEAK = "0.500000"


# A red 16x16 PNG.
COVER = base64.b64decode(
    "iVBORw0KGgoAAAANSUhEUgAAABAAAAAQCAIAAACQkWg2AAAACXBIWXMAAAABAAAAAQBPJcTWAAAAF0lEQVR4nGP4"
    "y8BAEiJN9aiGUQ1DSgMAfsz9ATa/hGgAAAAASUVORK5CYII=")


def flac_picture(png):
    p = Picture()
    p.type, p.mime, p.desc, p.width, p.height, p.depth, p.data = 3, "image/png", "", 16, 16, 24, png
    return p


def make(path):
    ext = path.rsplit(".", 1)[1]
    codec = "alac" if path.endswith(".alac.m4a") else CODECS[ext]
    png = COVER
    command = ["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=440:duration=1"]
    if ext in FFMPEG_COVERS:
        command += ["-f", "png_pipe", "-i", "-", "-map", "0:a", "-map", "1:v", "-c:v", "copy",
                    "-disposition:v", "attached_pic"]
    for key, value in (("title", "Title"), ("album", "Album"), ("track", "3/12"),
                       ("disc", "1/2"), ("date", "2001"), ("album_artist", "Band")):
        command += ["-metadata", key + "=" + value]
    subprocess.run(command + ["-c:a", codec, path], check=True, input=png)
    f = mutagen.File(path)
    if ext in ("flac", "ogg", "opus"):
        f["ARTIST"] = ["One", "Two"]
        f["REPLAYGAIN_TRACK_GAIN"] = GAIN
        f["REPLAYGAIN_TRACK_PEAK"] = PEAK
        if ext != "flac":
            f["METADATA_BLOCK_PICTURE"] = base64.b64encode(flac_picture(png).write()).decode()
    elif ext == "m4a":
        f["\xa9ART"] = ["One", "Two"]
        f["----:com.apple.iTunes:replaygain_track_gain"] = [MP4FreeForm(GAIN.encode())]
        f["----:com.apple.iTunes:replaygain_track_peak"] = [MP4FreeForm(PEAK.encode())]
    elif ext == "wv":
        f["Artist"] = ["One", "Two"]
        f["REPLAYGAIN_TRACK_GAIN"] = GAIN
        f["REPLAYGAIN_TRACK_PEAK"] = PEAK
        f["Cover Art (Front)"] = APEValue(b"cover.png\0" + png, BINARY)
    else:
        # ffmpeg gives WAV an INFO chunk only: the ID3v2 tag is mutagen's.
        if f.tags is None:
            f.add_tags()
        for frame in (TIT2(encoding=3, text=["Title"]), TALB(encoding=3, text=["Album"]),
                      TPE1(encoding=3, text=["One", "Two"]), TPE2(encoding=3, text=["Band"]),
                      TRCK(encoding=3, text=["3/12"]), TPOS(encoding=3, text=["1/2"]),
                      TXXX(encoding=3, desc="REPLAYGAIN_TRACK_GAIN", text=[GAIN]),
                      APIC(encoding=3, mime="image/png", type=3, desc="", data=png)):
            f.tags.add(frame)
    f.save()


def plain(value):
    if isinstance(value, bytes):
        return value.decode("utf-8", "replace")
    if isinstance(value, (tuple, list)):
        return [plain(v) for v in value]
    return value if isinstance(value, (int, float, bool)) else str(value)


def md5(data):
    return hashlib.md5(bytes(data)).hexdigest()


def dump(path):
    f = mutagen.File(path)
    fields, pictures = {}, []

    def picture(where, p):
        pictures.append([where, p.type, p.mime, p.desc, md5(p.data)])

    for p in getattr(f, "pictures", []):
        picture("block", p)
    tags = f.tags if f.tags is not None else {}
    if isinstance(tags, list) or hasattr(tags, "as_dict"):  # Vorbis comments
        for key, value in tags:
            if key.upper() == "METADATA_BLOCK_PICTURE":
                picture("comment", Picture(base64.b64decode(value)))
            else:
                fields.setdefault(key.upper(), []).append(value)
    else:
        for key, value in tags.items():
            if key == "covr":
                pictures += [["covr", c.imageformat, "", "", md5(c)] for c in value]
            elif getattr(value, "kind", None) == BINARY:
                pictures.append([key, 0, "", "", md5(value.value)])
            elif key.startswith("APIC"):
                picture("APIC", value)
            elif hasattr(value, "text"):
                fields[key] = [plain(t) for t in value.text]
            else:
                fields[key.upper() if hasattr(value, "kind") else key] = plain(
                    list(value) if hasattr(value, "kind") else value)
    print(json.dumps({"fields": fields, "pictures": sorted(pictures)}, sort_keys=True))


if __name__ == "__main__":
    {"make": make, "dump": dump}[sys.argv[1]](sys.argv[2])
