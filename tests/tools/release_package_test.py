#!/usr/bin/env python3
"""The release zip of this build's programs, unpacked into an empty folder and run from there
under Wine and X: varnelscan's version and a scan against os.walk; the window in English and
German, its folder picker titled from the unpacked tables. Args: WINE BUILD_DIR VERSION"""

import hashlib, json, os, subprocess, sys, tempfile, time, zipfile

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
wine, build, version = sys.argv[1:4]


def window(pid, title):
    for _ in range(200):
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid), "--name", title],
                               capture_output=True, text=True).stdout.split()
        if found:
            return found[0]
        time.sleep(0.3)
    sys.exit("no window " + title)


with tempfile.TemporaryDirectory() as temp:
    dist, tree, top = os.path.join(temp, "dist"), os.path.join(temp, "tree"), "varnel-%s/" % version
    subprocess.run([sys.executable, os.path.join(ROOT, "tools", "release", "package.py"),
                    "--from-build", build, "--out", dist], check=True, stdout=subprocess.DEVNULL)
    name = "varnel-%s-win64.zip" % version
    with open(os.path.join(dist, name), "rb") as f, open(os.path.join(dist, "SHA256SUMS")) as sums:
        assert sums.read() == "%s  %s\n" % (hashlib.sha256(f.read()).hexdigest(), name)
    expected = ["", "varnel.exe", "varnelscan.exe", "README.md", "LICENSE", "CHANGELOG.md", "resources/",
                "resources/strings/"] + ["resources/strings/" + t for t in os.listdir(ROOT + "/resources/strings")]
    with zipfile.ZipFile(os.path.join(dist, name)) as archive:
        assert sorted(archive.namelist()) == sorted(top + n for n in expected), archive.namelist()
        archive.extractall(os.path.join(temp, "unpacked"))
    program = os.path.join(temp, "unpacked", top)

    shown = subprocess.run([wine, program + "varnelscan.exe", "--version"], capture_output=True, timeout=120)
    assert shown.returncode == 0 and shown.stdout.split(b"\n")[0] == b"varnelscan " + version.encode(), shown
    for path, size in [("a/x.bin", 1000), ("b/c/y.bin", 2345), ("z.bin", 7)]:
        os.makedirs(os.path.dirname(os.path.join(tree, path)), exist_ok=True)
        with open(os.path.join(tree, path), "wb") as f:
            f.write(b"v" * size)
    result = json.loads(subprocess.run([wine, program + "varnelscan.exe", "--format", "json", "Z:" + tree],
                                       capture_output=True, timeout=120, check=True).stdout)
    walked = [os.path.getsize(os.path.join(d, f)) for d, _, files in os.walk(tree) for f in files]
    assert (result["fileCount"], result["nodes"][result["rootIndex"]]["totalSize"]) == (len(walked), sum(walked))

    open(program + "varnel.portable", "w").close()
    for language in ["en-US", "de-DE"]:
        with open(program + "varnel.settings.json", "w") as f:
            json.dump({"language": language}, f)
        with open(program + "resources/strings/%s.txt" % language, encoding="utf-8") as f:
            title = next(line.split("=", 1)[1].strip() for line in f if line.startswith("dialog.folder.title "))
        started = subprocess.Popen([wine, program + "varnel.exe"])
        try:
            subprocess.run(["xdotool", "windowfocus", "--sync", window(started.pid, "^Varnel"), "key", "ctrl+o"], check=True)
            window(started.pid, "^%s$" % title)
        finally:
            started.kill()
            started.wait()
