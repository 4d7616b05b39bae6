#!/usr/bin/env python3
"""fetch_sqlite.py DIR - writes SQLite's one-file source (sqlite3.c and
sqlite3.h) into DIR, made from Debian's source package of the version
below: its upstream sources with Debian's patches applied, then the
amalgamation built by SQLite's own makefile for builds without configure,
main.mk (which needs tclsh and a C compiler for the build machine: its
generators of the parser and the keyword hash). The file is the same
bytes as configure and make write, in a third of the time.

Every build of the tool, for every host, compiles this one file, so that
every host writes a GeoPackage with the same SQLite. The package's files
are checked against the checksums pinned here. They come from Debian's
mirror (QUORL_DEBIAN_MIRROR, default http://deb.debian.org/debian), or
from a folder that holds them (QUORL_SQLITE_ARCHIVES) where there is no
network.

Nothing is done where DIR already holds this version's files; DIR is
replaced in one step, so that builds started side by side never see half
of it.
"""

import hashlib
import os
import shutil
import subprocess
import sys
import tarfile
import tempfile
import urllib.request

VERSION = "3.40.1-2+deb12u2"
UPSTREAM = "3.40.1"
FILES = {
    f"sqlite3_{UPSTREAM}.orig.tar.xz":
        "aaa776260ab4dc976db34aa7891819484c8676b5b2783123ebc6301e2ca5d655",
    f"sqlite3_{VERSION}.debian.tar.xz":
        "0843bc12e4364076477935ce313a6d0796fd899a989ff18ebb6545540e10e4ca",
}
POOL = "pool/main/s/sqlite3"


def say(text):
    print(f"fetch_sqlite: {text}", flush=True)


def fail(text):
    print(f"fetch_sqlite: {text}", file=sys.stderr, flush=True)
    sys.exit(1)


def archive(name, folder):
    """The package file name, checked, in folder (fetched where needed)."""
    path = os.path.join(folder, name)
    local = os.environ.get("QUORL_SQLITE_ARCHIVES")
    if local:
        shutil.copyfile(os.path.join(local, name), path)
    else:
        mirror = os.environ.get("QUORL_DEBIAN_MIRROR", "http://deb.debian.org/debian")
        url = f"{mirror}/{POOL}/{name}"
        say(f"downloading {url}")
        try:
            with urllib.request.urlopen(url, timeout=120) as response, open(path, "wb") as out:
                shutil.copyfileobj(response, out)
        except OSError as error:
            fail(f"can't download {url}: {error} (QUORL_SQLITE_ARCHIVES=DIR takes the files "
                 "from a folder)")
    with open(path, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    if digest != FILES[name]:
        fail(f"{name} has SHA-256 {digest}, not {FILES[name]}")
    return path


def run(command, cwd, env=None):
    result = subprocess.run(command, cwd=cwd, env=env, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT)
    if result.returncode != 0:
        sys.stderr.write(result.stdout.decode("utf-8", "replace")[-4000:])
        fail(f"{' '.join(command)} failed in {cwd}")


def patched_sources(work):
    """The upstream tree with Debian's patches applied, in series order."""
    with tarfile.open(archive(f"sqlite3_{UPSTREAM}.orig.tar.xz", work)) as tar:
        tar.extractall(work)
    tree = os.path.join(work, f"sqlite3-{UPSTREAM}")
    with tarfile.open(archive(f"sqlite3_{VERSION}.debian.tar.xz", work)) as tar:
        tar.extractall(tree)
    with open(os.path.join(tree, "debian", "patches", "series")) as f:
        series = [line.split()[0] for line in f if line.strip() and not line.startswith("#")]
    # git applies them as it would outside any repository: the work folder
    # may lie inside the project's own checkout.
    env = dict(os.environ, GIT_CEILING_DIRECTORIES=work)
    for patch in series:
        run(["git", "apply", "-p1", "--whitespace=nowarn", os.path.join("debian", "patches", patch)],
            tree, env)
    return tree


def main():
    if len(sys.argv) != 2:
        fail("usage: fetch_sqlite.py DIR")
    target = os.path.abspath(sys.argv[1])
    stamp = os.path.join(target, "VERSION")
    if os.path.exists(stamp) and open(stamp).read().strip() == VERSION:
        return
    for tool in ("tclsh", "make", "git"):
        if shutil.which(tool) is None:
            fail(f"making SQLite's source needs {tool} (Debian: apt-get install "
                 f"{'tcl' if tool == 'tclsh' else tool})")
    parent = os.path.dirname(target)
    os.makedirs(parent, exist_ok=True)
    work = tempfile.mkdtemp(prefix=".sqlite-", dir=parent)
    try:
        tree = patched_sources(work)
        build = os.path.join(work, "build")
        os.mkdir(build)
        say(f"making the amalgamation of SQLite {VERSION}")
        cc = os.environ.get("CC_FOR_BUILD") or shutil.which("cc") or "gcc"
        run(["make", f"-j{os.cpu_count() or 1}", "-f", os.path.join(tree, "main.mk"),
             f"TOP={tree}", f"BCC={cc}", f"TCC={cc}", "NAWK=awk", "TCLSH_CMD=tclsh",
             "sqlite3.c"], build)
        staged = os.path.join(work, "out")
        os.mkdir(staged)
        for name in ("sqlite3.c", "sqlite3.h"):
            shutil.copyfile(os.path.join(build, name), os.path.join(staged, name))
        with open(os.path.join(staged, "VERSION"), "w") as f:
            f.write(VERSION + "\n")
        # Another build may have written it meanwhile: then its copy stays.
        if os.path.exists(stamp) and open(stamp).read().strip() == VERSION:
            return
        if os.path.exists(target):
            shutil.rmtree(target)
        os.rename(staged, target)
        say(f"wrote {target}")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
