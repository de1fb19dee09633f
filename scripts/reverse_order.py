#!/usr/bin/env python3
"""Runs the QtTest programs that ctest describes (its --show-only=json-v1 output, on stdin) with
their test functions in reverse order, each with the command, environment and time limit ctest
gives it. Called by scripts/reverse-order.sh, which prepares the display."""
import json, os, subprocess, sys

def prop(test, name, default):
    return next((p["value"] for p in test.get("properties", []) if p["name"] == name), default)

# the program a test runs: its command, or the one a wrapper that hands on its arguments runs
def program_of(command):
    wrapper = command[0].endswith(("-bed.sh", "/unprivileged.sh"))
    program = command[1] if wrapper and len(command) > 1 else command[0]
    return None if program.endswith(".sh") else program

failed = []
for test in json.load(sys.stdin)["tests"]:
    name, command = test["name"], test.get("command")
    program = command and program_of(command)
    if not program:
        print(f"{name}: not a test program of its own, left out", flush=True)
        continue
    listing = subprocess.run([program, "-functions"], capture_output=True, text=True,
                             env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    functions = [line[:-2] for line in listing.stdout.split() if line.endswith("()")]
    if listing.returncode != 0 or not functions:
        continue
    # a test that names the functions it runs gets those reversed, any other all of them
    at = command.index(program) + 1
    chosen = [word for word in command[at:] if word in functions]
    if chosen:
        command, functions = command[:at] + [w for w in command[at:] if w not in functions], chosen
    env = dict(os.environ)
    env.update(item.split("=", 1) for item in prop(test, "ENVIRONMENT", []))
    try:
        run = subprocess.run(command + functions[::-1], env=env,
                             cwd=prop(test, "WORKING_DIRECTORY", None),
                             timeout=float(prop(test, "TIMEOUT", 1500)),
                             capture_output=True, text=True)
        status = {0: "passed", 77: "skipped"}.get(run.returncode, "FAILED")
        output = run.stdout + run.stderr
    except subprocess.TimeoutExpired as late:
        status, output = "TIMED OUT", (late.stdout or b"").decode(errors="replace")
    print(f"{name}: {status} ({len(functions)} functions)", flush=True)
    if status in ("FAILED", "TIMED OUT"):
        failed.append(name)
        print(output, flush=True)
print("reverse order: all passed" if not failed else "reverse order failed: " + " ".join(failed))
sys.exit(1 if failed else 0)
