#!/usr/bin/env python3
"""Compares the setups of Inno Setup's ISCC.exe with those of our Compil32.exe.

Makes a corpus of workspaces, writes each collection's script with kitbinder-cli, compiles it
with both compilers and installs both setups very silently in fresh wine prefixes (with a
private Xvfb display, which Inno's setups need even when silent). Both must give the same file
tree with the same bytes, the same shortcuts, the same uninstall entry and the same leftovers
after uninstalling; where Inno refuses a script, ours must refuse it too, naming the same line.
Exit code 0 when nothing differs, 1 otherwise.
"""

import argparse
import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
from pathlib import Path

WINE64 = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
PREREQUISITE = r"HKLM\SOFTWARE\Bobbinwright\V75"
UNINSTALL = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall"
# The uninstall entry's values that both setups write and that must agree.
UNINSTALL_VALUES = ["DisplayName", "DisplayVersion", "Publisher", "URLInfoAbout", "HelpLink",
                    "URLUpdateInfo", "DisplayIcon", "InstallLocation", "UninstallString",
                    "QuietUninstallString"]
# Each compiler's uninstaller is its own (Inno's unins000.exe with its log unins000.dat, ours
# "Uninstall <AppId>.exe"): they are left out of the file trees.
UNINSTALLER = re.compile(r"(^|/)(unins\d{3}\.(exe|dat|msg)|Uninstall [^/]*\.exe)$")


def log(text):
    print(text, flush=True)


class Wine:
    """A wine environment: a template prefix made once with its 32-bit part, copied for each run."""

    def __init__(self, root, display):
        self.root = Path(root)
        self.template = self.root / "template"
        self.env = dict(os.environ, WINEDEBUG="-all", DISPLAY=display, LANG="en_US.UTF-8",
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d",
                        HOME=str(self.root / "home"))
        (self.root / "home").mkdir(parents=True, exist_ok=True)
        self.count = 0

    def run(self, prefix, args, timeout=600, extra=None):
        env = dict(self.env, WINEPREFIX=str(prefix), **(extra or {}))
        done = subprocess.run([WINE64] + args, env=env, capture_output=True, timeout=timeout)
        return done.returncode, (done.stdout + done.stderr).decode("utf-8", "replace")

    def wait(self, prefix):
        subprocess.run([WINESERVER, "-w"], env=dict(self.env, WINEPREFIX=str(prefix)),
                       timeout=600)

    def end(self, prefix):
        subprocess.run([WINESERVER, "-k"], env=dict(self.env, WINEPREFIX=str(prefix)),
                       capture_output=True)

    def make_template(self):
        # wineboot fills syswow64 (the 32-bit system) only when WINELOADER names wine64.
        self.run(self.template, ["wineboot", "-i"], extra={"WINELOADER": WINE64})
        self.run(self.template, ["reg", "add", PREREQUISITE, "/reg:32", "/f"])
        self.wait(self.template)
        self.end(self.template)
        if not (self.template / "drive_c/windows/syswow64/kernel32.dll").exists():
            sys.exit("inno-check: the wine prefix has no 32-bit part (is wine32 installed?)")

    def fresh(self):
        """A copy of the template; files are hard links, the registry files are real copies."""
        self.count += 1
        prefix = self.root / f"prefix{self.count}"
        subprocess.run(["cp", "-al", str(self.template), str(prefix)], check=True)
        for reg in prefix.glob("*.reg"):
            data = reg.read_bytes()
            reg.unlink()
            reg.write_bytes(data)
        return prefix

    def discard(self, prefix):
        self.end(prefix)
        shutil.rmtree(prefix, ignore_errors=True)


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


# ---------------------------------------------------------------------------------------------
# The corpus


def write(path, data):
    path.parent.mkdir(parents=True, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8")
    path.write_bytes(data)


class Corpus:
    """Workspaces made from the sample workspace plus designers and collections of our own."""

    def __init__(self, build, root):
        self.build = Path(build)
        self.workspace = Path(root) / "ws"
        subprocess.run([str(self.build / "bin/make_sample_workspace"), str(self.workspace)],
                       check=True, capture_output=True)
        self.workspace = self.workspace / "Bobbinwright" / "Personal Files"
        designers = self.workspace / "Designers"
        self.jpg = (designers / "Anna" / "Anna.jpg").read_bytes()

    def designer(self, name, website="", licence=None):
        folder = self.workspace / "Designers" / name
        write(folder / f"{name}.jpg", self.jpg)
        write(folder / f"{name}.txt", f"About {name}.\r\n")
        if website:
            write(folder / "Website.txt", website)
        if licence is not None:
            write(folder / f"{name}_License.txt", licence)
        return folder

    def collection(self, designer, name, version, garments, password="", before=None,
                   after=None):
        folder = self.workspace / "Designers" / designer / name
        write(folder / f"{name}.jpg", self.jpg)
        write(folder / f"{name}.txt", f"The collection {name}.\r\n")
        write(folder / "CollectionVersion.txt", version)
        if password:
            write(folder / "Password.txt", password)
        if before is not None:
            write(folder / f"{name}_BeforeInstall.txt", before)
        if after is not None:
            write(folder / f"{name}_AfterInstall.txt", after)
        for garment in garments:
            self.garment(folder, garment)
        return folder

    def garment(self, folder, name):
        write(folder / f"{name}.mac",
              f'// {name}\r\nadd_pict_item(1, "{name}_front.jpg");\r\n')
        write(folder / f"{name}.jpg", self.jpg)
        write(folder / f"{name}_front.jpg", self.jpg + name.encode("utf-8"))
        write(folder / f"{name}.txt", f"{name}\r\n")

    def make(self):
        """The collections to check: (designer, collection) pairs, and the upgrade pair."""
        self.designer("An{na}", website="https://an{na}.example.com/{a}?x=$%",
                      licence="Licence of An{na}: {app} stays as written.\r\n")
        self.collection("An{na}", "Dr{e}sses", "1.{0}", ["Sheath {long}", "Wrap"],
                        password="{pass} word")
        self.designer("O'Neil; Sons, (1) $5 %20", website="https://oneil.example.com/a;b,c")
        self.collection("O'Neil; Sons, (1) $5 %20", "Autumn (2025); 50% off, $9",
                        "2.0 (beta)", ["Coat; long, (A)", "Cape 100%", "Vest $x"],
                        password='two words "quoted" \'single\'',
                        before="Before {installing}: read this.\r\n",
                        after="After installing: 100% done.\r\n")
        self.designer("Zoë Çelik", website="https://zoe.example.com", licence="Lizenz für Zoë\r\n")
        self.collection("Zoë Çelik", "Été – “Noël” €", "1.0",
                        ["Mantel ß", "Robe à pois"], password="pässwörd mit Leerzeichen",
                        after="Ça marche: “gut” – 5 €\r\n")
        self.designer("Bulk", website="https://bulk.example.com")
        self.collection("Bulk", "Three hundred", "3.0",
                        [f"Garment {i:03d}" for i in range(300)])
        self.designer("Upgrade")
        self.collection("Upgrade", "Skirts", "1.0", ["Pleated", "Pencil", "Circle"])
        singles = [("Anna", "Coats"), ("Anna", "Dresses"), ("An{na}", "Dr{e}sses"),
                   ("O'Neil; Sons, (1) $5 %20", "Autumn (2025); 50% off, $9"),
                   ("Zoë Çelik", "Été – “Noël” €"), ("Bulk", "Three hundred")]
        return singles

    def drop_garment(self, designer, collection, garment, version):
        """v2 of a collection: one garment fewer and a new version."""
        folder = self.workspace / "Designers" / designer / collection
        for suffix in (".mac", ".jpg", "_front.jpg", ".txt"):
            (folder / f"{garment}{suffix}").unlink()
        write(folder / "CollectionVersion.txt", version)

    def script(self, designer, collection, output):
        """Writes the collection's script with kitbinder-cli; answers its path."""
        output.parent.mkdir(parents=True, exist_ok=True)
        done = subprocess.run([str(self.build / "bin/kitbinder-cli"), "-w", str(self.workspace),
                               "build", designer, collection, "-o", str(output),
                               "--script-only", "--allow-missing"], capture_output=True)
        script = output.with_suffix(".iss")
        if done.returncode != 0 or not script.exists():
            raise RuntimeError(f"kitbinder-cli refused {designer}/{collection}:\n"
                               + done.stderr.decode("utf-8", "replace"))
        return script


# ---------------------------------------------------------------------------------------------
# Compiling


def inno_script(script, folder):
    """The script for ISCC.exe: the same lines, with the local paths written as Z:\\ paths.
    Kept in the script's own encoding; answers the new script's path."""
    data = script.read_bytes()
    prefix = rb"(^(?:Source: |\w+File=)|; +Filename: )"
    quoted = re.compile(prefix + rb'"(/[^"\r\n]*)"', re.M)
    plain = re.compile(prefix + rb"(/[^;\r\n\"]*?)(?=;|\s*$)", re.M)
    def repl(match):
        return match.group(1) + b"Z:" + match.group(2).replace(b"/", b"\\")
    def repl_quoted(match):
        return match.group(1) + b'"Z:' + match.group(2).replace(b"/", b"\\") + b'"'
    data = plain.sub(repl, quoted.sub(repl_quoted, data))
    folder.mkdir(parents=True, exist_ok=True)
    target = folder / script.name
    target.write_bytes(data)
    return target


def compile_inno(wine, iscc, script, folder):
    """Answers (setup path or None, error line or None, output)."""
    prefix = wine.fresh()
    try:
        code, output = wine.run(prefix, [iscc, "/Q", "/O" + windows_path(folder),
                                         windows_path(script)])
    finally:
        wine.discard(prefix)
    if code == 0:
        setups = sorted(folder.glob("*.exe"))
        return (setups[0] if setups else None), None, output
    line = re.search(r"Error on line (\d+)", output)
    return None, (int(line.group(1)) if line else -1), output


def compile_ours(compil32, script, folder):
    folder.mkdir(parents=True, exist_ok=True)
    own = folder / script.name
    shutil.copyfile(script, own)
    done = subprocess.run([compil32, "/cc", str(own)], capture_output=True, cwd=folder)
    output = (done.stdout + done.stderr).decode("utf-8", "replace")
    if done.returncode == 0:
        setups = sorted(p for p in folder.glob("*.exe"))
        return (setups[0] if setups else None), None, output
    line = re.search(re.escape(str(own)) + r":(\d+):", output)
    return None, (int(line.group(1)) if line else -1), output


# ---------------------------------------------------------------------------------------------
# Installing and looking at the result


def snapshot(drive_c):
    """Everything below drive_c: relative path -> "dir", or a file's size, time and inode."""
    found = {}
    for path in drive_c.rglob("*"):
        relative = path.relative_to(drive_c).as_posix()
        # wine's own links out of the prefix, temporary files, wine's driver caches
        if path.is_symlink() or "/temp/" in relative.lower() + "/":
            continue
        if relative.startswith("windows/inf/") and relative.endswith(".pnf"):
            continue
        if relative == "setup-log.txt":  # Inno's setup log, asked for by this check
            continue
        info = path.stat()
        found[relative] = "dir" if path.is_dir() else (info.st_size, info.st_mtime_ns,
                                                      info.st_ino)
    return found


def sha256(path):
    return hashlib.sha256(path.read_bytes()).hexdigest()


def lnk_strings(data):
    """The target, working folder, arguments, description and icon of a shell link."""
    fields = {}
    flags = struct.unpack_from("<I", data, 0x14)[0]
    at = 0x4C
    if flags & 0x1:
        at += 2 + struct.unpack_from("<H", data, at)[0]
    if flags & 0x2:
        size, _, _, _, base = struct.unpack_from("<IIIII", data, at)
        end = data.index(b"\0", at + base)
        fields["target"] = data[at + base:end].decode("cp1252", "replace")
        at += size
    unicode = flags & 0x80
    for bit, name in ((0x4, "description"), (0x8, "relative"), (0x10, "workdir"),
                      (0x20, "arguments"), (0x40, "icon")):
        if flags & bit:
            count = struct.unpack_from("<H", data, at)[0]
            width = 2 if unicode else 1
            raw = data[at + 2:at + 2 + count * width]
            fields[name] = raw.decode("utf-16-le" if unicode else "cp1252", "replace")
            at += 2 + count * width
    fields.pop("relative", None)
    return fields


def shortcuts(drive_c, added):
    found = {}
    for relative in added:
        path = drive_c / relative
        if relative.endswith(".lnk"):
            found[relative] = lnk_strings(path.read_bytes())
        elif relative.endswith(".url"):
            found[relative] = path.read_text("utf-8", "replace").replace("\r\n", "\n")
    return found


def registry_values(output):
    values = {}
    for line in output.splitlines():
        match = re.match(r"^    (.+?)    (REG_\w+)    (.*)$", line.rstrip("\r"))
        if match:
            values[match.group(1)] = match.group(3)
    return values


def uninstall_entry(wine, prefix):
    """The key below Uninstall that the setup added (name -> values)."""
    code, output = wine.run(prefix, ["reg", "query", UNINSTALL, "/reg:32"])
    entries = {}
    for line in output.splitlines():
        line = line.strip()
        match = re.match(r"^HKEY_LOCAL_MACHINE\\.*\\Uninstall\\(.+)$", line, re.I)
        if match:
            _, values = wine.run(prefix, ["reg", "query", UNINSTALL + "\\" + match.group(1),
                                          "/reg:32"])
            entries[match.group(1)] = registry_values(values)
    return entries


def unquoted(text):
    return text[1:-1] if len(text) >= 2 and text[0] == '"' and text[-1] == '"' else text


class Installed:
    """What installing one or more setups in a fresh prefix gave, and what uninstalling left."""

    def __init__(self, wine, setups, password, extra_args=()):
        prefix = wine.fresh()
        try:
            drive_c = prefix / "drive_c"
            before = snapshot(drive_c)
            before_keys = set(uninstall_entry(wine, prefix))
            self.exit_codes = []
            for setup in setups:
                args = [str(setup), "/VERYSILENT", "/SUPPRESSMSGBOXES", "/NORESTART"]
                if password:
                    args.append("/PASSWORD=" + password)
                # Under load wine's desktop can come up too late for a setup's first window
                # ("A call to an OS function failed"); such a start is tried again.
                for attempt in range(3):
                    code, output = wine.run(prefix, args + list(extra_args))
                    wine.wait(prefix)
                    if code != 1 or not any(
                            "OS function failed" in f.read_text("utf-8", "replace")
                            for f in (prefix / "drive_c").glob("setup-log*.txt")):
                        break
                    log(f"  {setup.name}: wine's window came up too late, trying again")
                if code != 0:
                    log(f"  {setup.name} exit code {code}: {output.strip()}")
                    for log_file in (prefix / "drive_c").glob("setup-log*.txt"):
                        log(log_file.read_text("utf-8", "replace"))
                self.exit_codes.append(code)
            after = snapshot(drive_c)
            added = sorted(p for p in after if p not in before or after[p] != before[p])
            self.files = {p: sha256(drive_c / p) for p in added
                          if not p.endswith((".lnk", ".url")) and after[p] != "dir"
                          and not UNINSTALLER.search(p)}
            self.folders = sorted(p for p in added if after[p] == "dir")
            self.shortcuts = shortcuts(drive_c, added)
            entries = uninstall_entry(wine, prefix)
            self.entries = {k: v for k, v in entries.items() if k not in before_keys}
            self.leftovers = None
            self.uninstall_code = None
            if len(self.entries) == 1:
                values = next(iter(self.entries.values()))
                uninstaller = unquoted(values.get("UninstallString", ""))
                code, _ = wine.run(prefix, [uninstaller, "/VERYSILENT", "/SUPPRESSMSGBOXES"])
                wine.wait(prefix)
                self.uninstall_code = code
                left = snapshot(drive_c)
                self.leftovers = sorted(p for p in left if p not in before)
                self.leftovers += [k for k in uninstall_entry(wine, prefix)
                                   if k not in before_keys]
        finally:
            wine.discard(prefix)


def compare(name, inno, ours):
    """The differences between the two results, as lines."""
    found = []
    if inno.exit_codes != ours.exit_codes:
        found.append(f"exit codes: Inno {inno.exit_codes}, ours {ours.exit_codes}")
    for path in sorted(set(inno.files) | set(ours.files)):
        if path not in ours.files:
            found.append(f"file only Inno installs: {path}")
        elif path not in inno.files:
            found.append(f"file only ours installs: {path}")
        elif inno.files[path] != ours.files[path]:
            found.append(f"file with other bytes: {path}")
    for path in sorted(set(inno.folders) ^ set(ours.folders)):
        found.append(f"folder only {'Inno' if path in inno.folders else 'ours'} makes: {path}")
    for path in sorted(set(inno.shortcuts) | set(ours.shortcuts)):
        a, b = inno.shortcuts.get(path), ours.shortcuts.get(path)
        if a is None or b is None:
            found.append(f"shortcut only {'ours' if a is None else 'Inno'} makes: {path}")
        elif a != b:
            found.append(f"shortcut {path}: Inno {a}, ours {b}")
    if set(inno.entries) != set(ours.entries):
        found.append(f"uninstall keys: Inno {sorted(inno.entries)}, ours {sorted(ours.entries)}")
    else:
        for key in inno.entries:
            for value in UNINSTALL_VALUES:
                a, b = inno.entries[key].get(value), ours.entries[key].get(value)
                if a != b and not (value.endswith("UninstallString") and a and b):
                    found.append(f"uninstall value {value}: Inno {a!r}, ours {b!r}")
    if inno.leftovers != ours.leftovers:
        found.append(f"leftovers: Inno {inno.leftovers}, ours {ours.leftovers}")
    return [f"{name}: {line}" for line in found]


# ---------------------------------------------------------------------------------------------


def check_collection(args, wine, corpus, work, label, scripts, password):
    """Compiles each script with both compilers and installs the setups in turn (more than one
    script: each installed over the one before). Answers the differences."""
    inno_setups, our_setups = [], []
    for number, script in enumerate(scripts):
        if callable(script):  # written only now, after the scripts before it compiled
            script = script()
        folder = work / f"{label}-{number}"
        inno_in = inno_script(script, folder / "inno-script")
        inno_setup, inno_line, inno_output = compile_inno(wine, args.iscc, inno_in,
                                                          folder / "inno")
        our_setup, our_line, our_output = compile_ours(args.compil32, script, folder / "ours")
        if inno_setup is None:
            log(f"  Inno refuses {script.name}, line {inno_line}:\n{inno_output.strip()}")
            if our_setup is not None:
                return [f"{label}: Inno refuses line {inno_line}, ours compiles"]
            if our_line != inno_line:
                return [f"{label}: Inno refuses line {inno_line}, ours line {our_line}:"
                        f" {our_output.strip()}"]
            return []
        if our_setup is None:
            return [f"{label}: Inno compiles, ours refuses: {our_output.strip()}"]
        for warning in re.findall(r"^Warning: .*$", inno_output, re.M):
            log(f"  Inno: {warning}")
        inno_setups.append(inno_setup)
        our_setups.append(our_setup)
    inno = Installed(wine, inno_setups, password, [r"/LOG=C:\setup-log.txt"])
    ours = Installed(wine, our_setups, password)
    log(f"  Inno: exit {inno.exit_codes}, {len(inno.files)} files, {len(inno.shortcuts)}"
        f" shortcuts, entry {sorted(inno.entries)}, uninstall exit {inno.uninstall_code},"
        f" leftovers {inno.leftovers}")
    if not inno.entries:
        return [f"{label}: Inno's setup did not install (exit {inno.exit_codes})"]
    return compare(label, inno, ours)


def start_display():
    read, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                               "1024x768x24", "-nolisten", "tcp"], pass_fds=(write_end,),
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = os.read(read, 32).decode().strip()
    os.close(read)
    return server, ":" + number


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--iscc", required=True, help="ISCC.exe of Inno Setup")
    parser.add_argument("--build", default="build", help="the build folder")
    parser.add_argument("--keep", action="store_true", help="keep the work folder")
    parser.add_argument("--only", help="check only collections whose name holds this")
    args = parser.parse_args()
    args.iscc = windows_path(Path(args.iscc).resolve())
    args.compil32 = str(Path(args.build, "bin", "Compil32.exe").resolve())

    work = Path(tempfile.mkdtemp(prefix="inno-check."))
    server, display = start_display()
    differences, checked = [], 0
    try:
        wine = Wine(work / "wine", display)
        wine.make_template()
        corpus = Corpus(args.build, work)
        singles = corpus.make()
        for number, (designer, collection) in enumerate(singles):
            if args.only and args.only not in designer + "/" + collection:
                continue
            label = f"{designer}/{collection}"
            log(f"{label}")
            script = corpus.script(designer, collection,
                                   work / "scripts" / str(number) / f"{collection}.exe")
            password = (corpus.workspace / "Designers" / designer / collection /
                        "Password.txt")
            password = password.read_text("utf-8").strip() if password.exists() else ""
            found = check_collection(args, wine, corpus, work, f"c{number}", [script], password)
            differences += [f"{label}: {line.split(': ', 1)[1]}" for line in found]
            checked += 1
        if not args.only or "Skirts" in args.only:
            log("Upgrade/Skirts v1, then v2 without Pencil")
            v1 = corpus.script("Upgrade", "Skirts", work / "scripts/v1/Skirts.exe")

            def v2():
                corpus.drop_garment("Upgrade", "Skirts", "Pencil", "2.0")
                return corpus.script("Upgrade", "Skirts", work / "scripts/v2/Skirts.exe")
            found = check_collection(args, wine, corpus, work, "upgrade", [v1, v2], "")
            differences += [f"Upgrade/Skirts v2 over v1: {line.split(': ', 1)[1]}"
                            for line in found]
            checked += 1
    finally:
        server.terminate()
        server.wait()
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)
        else:
            log(f"work folder kept: {work}")
    for line in differences:
        log("DIFFERENCE " + line)
    log(f"inno-check: {checked} collections checked, {len(differences)} differences")
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main())
