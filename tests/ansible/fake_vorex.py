#!/usr/bin/python3
"""A stand-in for vorex with -report json: enough of the program to drive the playbook suite
and the module where the built program cannot write the JSON report yet.

Only -matlabroot runs (nothing is looked for), MATLAB files only, no locking, no users' copies:

    fake_vorex.py -command ADD -path DIR ... -matlabroot ROOT ... [-check on] [-silent on]
                  [-report json] [-diff on] [-notfound ok] [-octave on] [-log on]
"""
import difflib
import json
import os
import re
import sys

OPTIONS = ("-command", "-path", "-matlabroot", "-log", "-silent", "-check", "-octave",
           "-report", "-diff", "-notfound")
END_MARKER = "%%% END ENTRIES %%%"


def usage(problem):
    sys.stderr.write("usage: vorex -command ADD|REMOVE -path DIR [...] [-matlabroot DIR ...]\n"
                     "       [-check on] [-silent on] [-report json] [-diff on] [-notfound ok]\n")
    sys.stderr.write(problem + "\n")
    sys.exit(64)


def parse(argv):
    commands, paths, roots, switches = [], [], [], {}
    i = 0
    while i < len(argv):
        word = argv[i]
        if word not in OPTIONS:
            usage("unexpected: " + word)
        j = i + 1
        while j < len(argv) and argv[j] not in OPTIONS:
            j += 1
        value = " ".join(argv[i + 1:j])
        if not value:
            usage(word + " needs a value")
        if word == "-command":
            if value.upper() not in ("ADD", "REMOVE"):
                usage("-command takes ADD or REMOVE")
            commands.append(value.upper())
        elif word == "-path":
            paths.append(value)
        elif word == "-matlabroot":
            roots.append(os.path.abspath(value))
        else:
            switches.setdefault(word, value.lower())
        i = j
    if not commands or len(commands) != len(paths):
        usage("each -command needs a -path")
    for path in paths:
        if any(c in path for c in "\r\n\0:") or path.startswith("~"):
            usage("not a usable directory: " + path)
        for word, wanted in (("-report", "json"), ("-diff", "on"), ("-notfound", "ok")):
            if word in switches and switches[word] != wanted:
                usage(word + " takes " + wanted)
    pairs = [(c, os.path.abspath(p)) for c, p in zip(commands, paths)]
    return pairs, roots, switches


def split_lines(text):
    return re.findall(r"[^\r\n]*(?:\r\n|\r|\n)|[^\r\n]+$", text)


def bare(line):
    return line.rstrip("\r\n")


def entry_dir(line):
    match = re.match(r"^\s*'([^']*):',\s*\.\.\.", bare(line))
    return match.group(1).rstrip("/") if match else None


def edit(lines, pairs):
    lines = list(lines)
    for command, directory in sorted(pairs, key=lambda pair: pair[0] != "REMOVE"):
        directory = directory.rstrip("/") or "/"
        if command == "REMOVE":
            lines = [l for l in lines
                     if entry_dir(l) is None or not (entry_dir(l) == directory or
                                                     entry_dir(l).startswith(directory + "/"))]
            continue
        if any(entry_dir(l) == directory for l in lines):
            continue
        at = next((n for n, l in enumerate(lines) if END_MARKER in l), None)
        if at is None:
            raise ValueError("no insertion point")
        ending = lines[at][len(bare(lines[at])):] or "\n"
        lines.insert(at, "\t'" + directory + ":'," + "..." + ending)
    return lines


def run_file(path, pairs, check, want_diff):
    record = {"path": path, "kind": "installation", "owner": None, "outcome": "unchanged",
              "reason": None, "added": [], "removed": []}
    step = "find"
    try:
        with open(path, "rb") as f:
            step = "read"
            text = f.read().decode("utf-8", "surrogateescape")
        step = "edit"
        old = split_lines(text)
        new = edit(old, pairs)
        if new != old:
            removed, added = [], []
            for tag, a1, a2, b1, b2 in difflib.SequenceMatcher(None, old, new).get_opcodes():
                removed += [bare(l) for l in old[a1:a2]] if tag in ("replace", "delete") else []
                added += [bare(l) for l in new[b1:b2]] if tag in ("replace", "insert") else []
            record.update(added=added, removed=removed,
                          outcome="would change" if check else "changed")
            if want_diff:
                record["diff"] = "".join(difflib.unified_diff(old, new, path, path, n=3))
            if not check:
                folder = os.path.dirname(path)
                step = "create"
                with open(os.path.join(folder, "pathdef.new"), "wb") as f:
                    f.write("".join(new).encode("utf-8", "surrogateescape"))
                step = "backup"
                with open(os.path.join(folder, "pathdef.bak"), "wb") as f:
                    f.write(text.encode("utf-8", "surrogateescape"))
                step = "replace"
                os.replace(os.path.join(folder, "pathdef.new"), path)
    except (OSError, ValueError) as error:
        reason = error.strerror if isinstance(error, OSError) else str(error)
        record.update(outcome="failed", reason="%s %s: %s" % (step, path, reason))
    return record


def main():
    pairs, roots, switches = parse(sys.argv[1:])
    check = switches.get("-check") == "on"
    files = [run_file(os.path.join(root, "toolbox", "local", "pathdef.m"), pairs, check,
                      switches.get("-diff") == "on") for root in roots]
    problems = ["Failed: " + f["reason"] for f in files if f["outcome"] == "failed"]
    message = None
    if not any(f["outcome"] != "failed" for f in files):
        status = 0 if switches.get("-notfound") == "ok" else 2
        message = 'WARNING: The MATLAB "pathdef.m" file could not be found.'
    elif problems:
        status = 1
        message = "ERROR: pathdef.m could not be updated."
    elif check and any(f["outcome"] == "would change" for f in files):
        status = 4
    else:
        status = 0
    for problem in problems:
        sys.stderr.buffer.write((problem + "\n").encode("utf-8", "surrogateescape"))
    if switches.get("-report") == "json":
        doc = {"format": 1, "status": status, "check": check,
               "pairs": [{"command": c, "path": p} for c, p in pairs],
               "files": files, "problems": problems, "message": message}
        sys.stdout.write(json.dumps(doc, indent=2) + "\n")
    elif check or switches.get("-silent") == "on":
        for f in files:
            sys.stdout.buffer.write(("%s %s\n" % (f["outcome"], f["path"])).encode("utf-8", "surrogateescape"))
    sys.exit(status)


if __name__ == "__main__":
    main()
