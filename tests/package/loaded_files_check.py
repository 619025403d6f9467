#!/usr/bin/env python3
"""Checks that every file a run of the unpacked program loaded comes from a package that
installing the .deb brings in.

    loaded_files_check.py <package.deb> <maps file> <folder to leave out>...

The maps file is a copy of the process's /proc/<pid>/maps. Each mapped file (shared
objects, GStreamer and Qt plugins, fonts) is looked up with dpkg; the package that owns it
must lie in the closure of the .deb's Depends (and Pre-Depends), followed through the
installed packages: of a choice "a | b" the first alternative that is installed, as apt
would take on a system that has none of them. Recommends are not followed, since an
install may leave them out. Files below the given folders (the unpacked package, the test's
own files) and files that no package ships but programs make (caches) are left out.

Qt loads every image format plugin it finds when it reads an image, whether the program
needs that format or not, so a plugin of an optional package that happens to be installed
here (SVG, TIFF, WebP) is loaded too. Such plugins, and the libraries that only they
brought in, are listed as loaded because installed and not counted: the program ships
only bitmaps, PNG and ICO files, which Qt reads itself or with the plugins of its GUI
library.

Exits 1 and names each other file of a package outside the closure.
"""
import os
import re
import subprocess
import sys

# Made at run time, owned by no package.
GENERATED = ("/var/cache/", "/usr/lib/locale/locale-archive", "/etc/ld.so.cache")
# Loaded by Qt from its plugin folder as found.
SCANNED_PLUGINS = ("/qt6/plugins/imageformats/", "/qt6/plugins/iconengines/")


def run(*args):
    return subprocess.run(args, capture_output=True, text=True, check=False).stdout


def relations(field):
    """Each relation of a Depends field as a list of alternative package names."""
    out = []
    for group in filter(None, (g.strip() for g in field.split(","))):
        names = []
        for alt in group.split("|"):
            name = re.sub(r"\(.*?\)|\[.*?\]|<.*?>", "", alt).strip().split(":")[0]
            if name:
                names.append(name)
        out.append(names)
    return out


def installed_packages():
    """name -> (Depends + Pre-Depends, Provides) of every installed package."""
    fmt = "${Package}\t${db:Status-Status}\t${Depends}\t${Pre-Depends}\t${Provides}\n"
    pkgs = {}
    for line in run("dpkg-query", "-W", "-f", fmt).splitlines():
        name, status, depends, predepends, provides = (line.split("\t") + [""] * 5)[:5]
        if status == "installed":
            pkgs[name] = (", ".join(filter(None, (depends, predepends))), provides)
    return pkgs


def closure(deb):
    pkgs = installed_packages()
    providers = {}
    for name, (_, provides) in pkgs.items():
        for virtual in relations(provides):
            providers.setdefault(virtual[0], []).append(name)

    def choose(alternatives):
        for alt in alternatives:
            if alt in pkgs:
                return alt
            if alt in providers:
                return sorted(providers[alt])[0]
        return None

    field = ", ".join(
        run("dpkg-deb", "-f", deb, f).strip() for f in ("Pre-Depends", "Depends"))
    seen, todo, unmet = set(), relations(field), []
    while todo:
        alternatives = todo.pop()
        name = choose(alternatives)
        if name is None:
            unmet.append(" | ".join(alternatives))
            continue
        if name not in seen:
            seen.add(name)
            todo.extend(relations(pkgs[name][0]))
    return seen, unmet


def mapped_files(maps, left_out):
    files = set()
    with open(maps) as f:
        for line in f:
            parts = line.split(None, 5)
            if len(parts) < 6:
                continue
            path = parts[5].strip()
            if not path.startswith("/") or path.endswith("(deleted)"):
                continue
            if path.startswith(("/dev/", "/proc/", "/sys/", "/memfd:")):
                continue
            if any(path.startswith(d.rstrip("/") + "/") for d in left_out):
                continue
            if path.startswith(GENERATED):
                continue
            files.add(path)
    return sorted(files)


def owners(paths):
    """path -> package, trying /usr/lib and /lib alike (merged /usr)."""
    variants = {}
    for p in paths:
        variants[p] = p
        for a, b in (("/usr/lib/", "/lib/"), ("/lib/", "/usr/lib/"), ("/usr/bin/", "/bin/")):
            if p.startswith(a):
                variants[b + p[len(a):]] = p
    found = {}
    out = run("dpkg-query", "-S", *sorted(variants))
    for line in out.splitlines():
        if line.startswith("diversion "):
            continue
        pkg, _, path = line.partition(": ")
        path = path.strip()
        if path in variants:
            found.setdefault(variants[path], pkg.split(",")[0].split(":")[0].strip())
    return found


def linked_libraries(path):
    """The real paths of the shared objects that ldd finds for a file."""
    libs = set()
    for line in run("ldd", path).splitlines():
        m = re.search(r"=> (/\S+)", line)
        if m:
            libs.add(os.path.realpath(m.group(1)))
    return libs


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    deb, maps, left_out = sys.argv[1], sys.argv[2], sys.argv[3:]
    files = mapped_files(maps, left_out)
    if not files:
        sys.exit("no loaded file in " + maps)
    allowed, unmet = closure(deb)
    owner = owners(files)
    outside = [p for p in files if owner.get(p) not in allowed]
    optional = {p for p in outside if any(d in p for d in SCANNED_PLUGINS) and p in owner}
    for plugin in sorted(optional):
        optional |= {lib for lib in linked_libraries(plugin) if lib in outside}
    bad = []
    for path in outside:
        pkg = owner.get(path)
        if path in optional:
            print(f"loaded because installed: {path} ({pkg})")
        elif pkg is None:
            bad.append(f"{path}: no package ships it")
        else:
            bad.append(f"{path}: from {pkg}, which the package does not depend on")
    plugins = sorted({os.path.basename(p) for p in files if "/gstreamer-1.0/" in p})
    print(f"{len(files)} loaded files from {len(set(owner.values()))} packages; "
          f"the dependencies bring in {len(allowed)} packages")
    print("GStreamer plugins loaded: " + " ".join(plugins))
    for relation in unmet:
        print(f"dependency not installed here: {relation}")
    for line in bad:
        print("FAIL: " + line, file=sys.stderr)
    sys.exit(1 if bad or unmet else 0)


if __name__ == "__main__":
    main()
