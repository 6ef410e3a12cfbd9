#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "support/Mp3Files.h"

namespace orvanta::test {

// What mutagen (an independent reader) finds in a file: {"version": [2,3,0], "frames":
// {"TIT2": "...", "COMM": "...", "APIC": <bytes of picture>, ...}, "v1": {...} or null}.
inline nlohmann::json Mutagen(const std::string& File) {
    const std::string script = R"PY(
import json, sys
from mutagen.id3 import ID3, ParseID3v1, ID3NoHeaderError
path = sys.argv[1]
out = {"version": None, "frames": {}, "v1": None}
try:
    tag = ID3(path, load_v1=False, translate=False)
    out["version"] = list(tag.version)
    for key, frame in tag.items():
        kind = key.split(":")[0]
        if kind == "APIC" or kind == "PRIV":
            out["frames"][kind] = len(frame.data)
        elif kind in ("COMM", "WXXX"):
            out["frames"][kind] = frame.text[0] if kind == "COMM" else frame.url
        else:
            out["frames"][kind] = "/".join(str(t) for t in frame.text)
except ID3NoHeaderError:
    pass
with open(path, "rb") as f:
    f.seek(-128, 2)
    v1 = ParseID3v1(f.read(128))
    if v1:
        out["v1"] = {k: "/".join(str(t) for t in v.text) for k, v in v1.items()}
print(json.dumps(out))
)PY";
    const std::string out =
        Capture("/usr/bin/python3 -c '" + script + "' '" + File + "' 2>/dev/null");
    return out.empty() ? nlohmann::json() : nlohmann::json::parse(out);
}

} // namespace orvanta::test
