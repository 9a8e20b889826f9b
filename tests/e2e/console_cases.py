#!/usr/bin/env python3
# The shipped program run as a user runs it, one row of CASES per run: its standard
# streams, the signals and keys it gets, and what must come out. The same rows run
# natively and, under Wine, on the .exe.
#
#   console_cases.py --list | CASE PROGRAM...
#
# CASE is a case name, or "redirected" or "terminal": the cases that run on Wine
# without, or with, a terminal. --list prints the cases for CTest (all but the full runs).
import datetime
import fcntl
import json
import os
import pathlib
import pty
import re
import resource
import select
import signal
import subprocess
import sys
import tempfile
import termios
import threading
import time

# Where the program starts, whatever folder the runner works in: the test's own
# (where the Wine prefix is found).
START = os.getcwd()
SMALL = ['--passes', '30000', '--length', '1000', '--interval', '10000']


def row(case, args=(), stdin='file', stdout='file', stderr='file', steps=(),
        end=0, out='run', err='', ignore=(), max_kib=None, limit=120, sizes=SMALL, wine='redirected',
        text=False, files={}, fsize=None, record=False, rss_kib=None, fifo=None):
    return dict(locals())


# Columns. case: the test's name; the rows of a case run one after the other. args:
# after `sizes`, whose values they may override; {dir} is the run's folder, whose
# name has a blank. stdin, stdout, stderr: a kind of STREAMS, or tty (one
# pseudo-terminal, the controlling one). steps, once the program waits at its end
# and still does 300 ms on: "type TEXT", "kill SIGNAME", "alive" (it still waits
# 300 ms on), "hangup" (the runner's end of the terminal closes), "csv"
# ({dir}/run.csv holds the printed rows). end: the exit code (-N: signal N), or
# "any", within `limit` seconds. out: "run" (the header, a progress line of 37
# characters for every interval of `sizes`, working sets up to `max_kib` (unless
# STRINGCHURN_SANITIZED is set: the sanitizers' own memory counts in them), the
# total), a regex for all of standard output (UTF-16LE, UTF-8 on a terminal) or
# None; err: a regex for all of standard error or None; neither is checked on a
# stream the runner cannot read. ignore: signals ignored at start. wine: the test
# that runs the row on Wine, "redirected" or "terminal" (with a terminal), or None.
# text: standard output is plain text, as standard error always is: UTF-8 without
# controls, every line ended by the system's line end ({eol} in a regex; CR LF for
# a Windows program). files: {name: regex}, files in {dir} that hold "kept\n"
# before the start and match the regex at the end, or for None are never there (a
# name's lone surrogates are its bytes that are not UTF-8). fsize: the bytes a file
# may grow to (RLIMIT_FSIZE, SIGXFSZ ignored), as on a full disk. record:
# {dir}/run.json is a record of the run on this machine. rss_kib: the most memory
# the program may have resident at its peak. fifo: a FIFO in {dir} that the runner
# reads to its end. A terminal never shows a NUL, and no run leaves a .tmp file of
# its own behind.


# A file that --csv or --json may not write.
def refused(option, path, reason=''):
    return row('file-refused', [option, path], end=2, out='',
               err=f'stringchurn: {option} takes .*{reason}{{eol}}{HINT}')


HINT = "Try 'stringchurn --help'\\.{eol}"


# `stringchurn ARGUMENT`, which prints what README.md shows, line by line, as plain
# text.
def shown(argument):
    readme = (pathlib.Path(__file__).parents[2] / 'README.md').read_text()
    text = readme.split(f'$ stringchurn {argument}\n')[1].split('```')[0]
    return row('options', [argument], text=True, out=re.escape(text).replace('\n', '{eol}'))


UNWRITABLE = 'stringchurn: cannot write %s: .+{eol}'
CSV_HEADER = 'pass,working_set_kib,duration_ms\n'


# --compare's lines after the total, `run` the figures of the run's own line.
def compared(*args, run=r' +[0-9.]+ \u00b5s a pass +[0-9]+\.[0-9]{2} x the limit'):
    figure = r' +[0-9]+\.[0-9]+ \u00b5s a pass'
    return row('compare', args + ('--compare',), out=(
        rf'(?s).* seconds\r\nCompared at [0-9]+ characters on this machine:\r\n  copy limit{figure}\r\n'
        rf'  this run  {run}\r\n  plain C\+\+ {figure} +[0-9.]+ x the limit\r\n'))


CSV = ['--csv', '{dir}/run.csv']
JSON = ['--json', '{dir}/run.json', '--no-wait']
NO_OUTPUT = UNWRITABLE % 'standard output'
PIPES = dict(stdin='pipe', stdout='pipe')
TYPED = 'type typed\n'
TTY = dict(stdin='tty', stdout='tty', out=None, limit=5, wine=None)
FULL = dict(sizes=[], limit=1200, wine=None, steps=(TYPED,), **PIPES)
CASES = [
    # Made non-blocking by whoever shares them, the output, far more than a pipe
    # holds, is written whole and the input still waited for.
    row('nonblocking', stdin='nonblocking', stdout='nonblocking', steps=(TYPED,), wine=None,
        sizes=['--passes', '60000', '--length', '0', '--interval', '2']),
    # Started as nohup and a shell's background jobs start it: ignored stays ignored.
    row('nohup', ignore=('SIGHUP', 'SIGINT'), steps=('kill SIGHUP', 'kill SIGINT', 'alive', TYPED),
        wine=None, **PIPES),
    # Standard output without a reader ends the run quietly with exit code 1.
    row('closed', stdout='closed', end=1),
    # The end of the input ends the wait.
    row('closed', stdin='closed'),
    # An error line for a standard error without a reader is lost, not the exit code.
    row('closed', ['--bogus'], stderr='closed', end=2, out=''),
    # A line without an end, far longer than the memory the program may take, is
    # waited for to the end of the input and thrown away.
    row('endless', stdin='zeros', rss_kib=131072),
    # The break key and shutdown end the program as the signal does (Ctrl-C: the
    # terminal's rows).
    *(row('signals', steps=(f'kill {name}',), end=-getattr(signal, name), limit=5, wine=None, **PIPES)
      for name in ('SIGQUIT', 'SIGTERM')),
    # Output that cannot be written stops the run with exit code 1 and the system's
    # reason: a full or closed standard output, a full CSV file. A file the program
    # opens never takes a closed stream's place, nor is a CSV mixed into one.
    row('unwritable', ['--version'], stdout='full', end=1, err=NO_OUTPUT),
    row('unwritable', ['--csv', '/dev/full'], end=1, out='', err=UNWRITABLE % '"/dev/full"'),
    row('unwritable', CSV, stdout='none', end=1, err=NO_OUTPUT, files={'run.csv': CSV_HEADER}),
    row('unwritable', CSV, stdout='full', stderr='none', end=1, files={'run.csv': CSV_HEADER}),
    # Standard output full after the header and a line: the CSV row goes before its
    # line, so the file has a row for the line that failed too.
    row('unwritable', CSV, fsize=116 + 78, out=None, end=1, err=NO_OUTPUT, wine=None,
        files={'run.csv': CSV_HEADER + '0,[0-9]+,[0-9]+\n10000,[0-9]+,[0-9]+\n'}),
    # A CSV file or a record that is standard output's or standard error's, or cannot
    # be created (the system says why); a record that is a pipe.
    *(refused(option, '{dir}/out.txt') | {stream: 'named'} for option in ('--csv', '--json')
      for stream in ('stdout', 'stderr')),
    *(refused(option, '{dir}', ': (Is a directory|Access (is )?denied)') for option in ('--csv', '--json')),
    *(refused(option, '') for option in ('--csv', '--json')),
    refused('--json', '{dir}/run.fifo', ': not a file') | dict(fifo='run.fifo', wine=None),
    # The system's reason, not the CSV, for a new file that cannot be made.
    row('file-refused', CSV + ['--json', '{dir}/no/run.json'], end=2, out='',
        err=f'stringchurn: --json takes .*: (No such file or directory|Path not found){{eol}}{HINT}'),
    # A run too large for the memory keeps an existing file; a name that is not
    # UTF-8, to its last byte, is that file's name, byte for byte.
    row('csv-kept', ['--passes', '1152921504606846968', *CSV], end=3, out='',
        err='stringchurn: out of memory{eol}', files={'run.csv': 'kept\n'}),
    row('csv-kept', ['--csv', '{dir}/caf\udce9.csv\udcc3'], files={'caf\udce9.csv\udcc3': CSV_HEADER + '.+'},
        wine=None),
    # A refused name shows as given, in UTF-8, escaping only its quotes, controls and
    # the byte that is not UTF-8 (which Wine's command line makes U+FFFD).
    row('file-refused', ['--json', '{dir}/caf\u00e9 "x"\t\udce9/run.json'], end=2, out='',
        err=r'stringchurn: --json takes .*, not ".*/caf\u00e9 \\"x\\"\\x09(\\xE9|\ufffd)/run\.json": .+{eol}' + HINT),
    # Pipes, with a CSV file that holds every row as soon as its line shows.
    row('pipe', CSV, steps=('csv', TYPED), **PIPES),
    # A word that is not an option, refused whole: it reaches the program as given,
    # quotes and backslashes and all.
    row('options', ['say "hi" \\\\ \\'], end=2, out='',
        err=r'stringchurn: "say \\"hi\\" \\\\\\ \\\\" is not an option; .*{eol}' + HINT),
    shown('--help'),
    shown('--version'),
    # The record of a run, natively and under Wine, and no wait for a line; a record
    # that cannot be written leaves the file of its name as it was.
    row('json', JSON, stdin='pipe', record=True),
    row('json', JSON, stdout='pipe', fsize=200, end=1, err=UNWRITABLE % '".*run.json"', wine=None,
        files={'run.json': 'kept\n'}),
    # A record of 100,001 progress rows (6 MiB of text) takes no more of the working
    # set than a run without one (under 6 MiB here).
    row('json', JSON, sizes=['--passes', '100000', '--length', '100', '--interval', '1'],
        max_kib=8192, record=True, wine=None),
    # With no interval after pass 0 the run has no figure of its own.
    compared(),
    compared('--passes', '0', run=' too short to measure'),
    # A record that would replace the CSV, or whose new file the CSV is, is refused,
    # and the CSV's file is as it was: kept, or not there.
    *(row('file-refused', ['--csv', '{dir}/' + csv, '--json', '{dir}/' + json], end=2, out='',
          files={csv: kept}, err=f'stringchurn: --json takes .*: it is the file of --csv{{eol}}{HINT}')
      for csv, json, kept in (('run.csv', './run.csv', None), ('run.json.tmp', 'run.json', 'kept\n'))),
    # A CSV file that is a pipe, beside a record that is there already, is opened once:
    # its reader does not take a first open's end as the end of the rows.
    row('pipe', CSV + JSON, fifo='run.csv', files={'run.json': '{.*'}, wine=None),
    # The new file that a killed run left in the record's way is named and kept
    # (beside a CSV file, which it is not).
    row('file-refused', CSV + JSON, end=2, out='', files={'run.json.tmp': 'kept\n'},
        err=f'stringchurn: --json takes .*, not ".*run.json": ".*run.json.tmp": .*exists.*{{eol}}{HINT}'),
    # Typed text beyond ASCII is echoed as text (Wine echoes one beyond U+FFFF as
    # two U+FFFD: the platform tests cover those natively).
    row('tty-line', **dict(TTY, steps=('type Gr\u00fc\u00dfe, \u4e16\u754c\r',),
                           out='(?s).*Gr\u00fc\u00dfe, \u4e16\u754c.*', wine='terminal')),
    # An error line on a console shows a name beyond ASCII as it was given.
    row('tty-error', ['--csv', 'caf\u00e9/run.csv'], end=2, err='(?s).*"caf\u00e9/run.csv".*',
        **dict(TTY, stderr='tty', wine='terminal')),
    # A line goes in with its Enter; Ctrl-C and a hangup end the program by their signals.
    row('tty-line', steps=('type ab', 'alive', 'type \r'), **TTY),
    row('tty-signals', steps=('type \x03',), end=-signal.SIGINT, **TTY),
    row('tty-signals', steps=('kill SIGHUP',), end=-signal.SIGHUP, **TTY),
    row('tty-hangup', steps=('hangup',), end='any', **TTY),
    # The shipped sizes, natively and under Wine: a working set no larger than the emptied
    # elements' blocks need (Wine's heap takes 48 bytes for such a 10-byte block, mimalloc
    # 16), and the wait for a line at the end.
    row('full', max_kib=65536, **FULL),
    row('full-wine', max_kib=98304, **FULL),
]


INPUT = 'first line\r\nsecond line\r\n'.encode('utf-16-le')


# A file that no name reaches, holding `content` and then `holes` bytes that take
# no room, read from its start: the program's end and ours.
def scratch(content=b'', holes=0):
    fd = os.open('.', os.O_TMPFILE | os.O_RDWR)
    os.pwrite(fd, content, 0)
    os.ftruncate(fd, len(content) + holes)
    return fd, fd


# A pipe into the program (stream 0) or out of it: the program's end and ours.
def pipe(n, blocking=True):
    ends = os.pipe()
    if n > 0:
        ends = ends[::-1]
    os.set_blocking(ends[0], blocking)
    return ends


# The program's end of a pipe whose other end is closed.
def closed(theirs, ours):
    os.close(ours)
    return theirs, None


# Each kind of standard stream n, in the run's folder: the program's end and ours,
# None where there is none. file: a file (as input, two UTF-16 lines); zeros: 256 MiB of zero bytes,
# one line without an end; named: the file {dir}/out.txt; full: /dev/full; none:
# no descriptor; nonblocking: a pipe whose end in the program is non-blocking.
STREAMS = {
    'file': lambda n: scratch(INPUT if n == 0 else b''),
    'zeros': lambda n: scratch(holes=256 << 20),
    'named': lambda n: (os.open('out.txt', os.O_CREAT | os.O_RDWR),) * 2,
    'full': lambda n: (os.open('/dev/full', os.O_WRONLY), None),
    'none': lambda n: (None, None),
    'pipe': pipe,
    'nonblocking': lambda n: pipe(n, blocking=False),
    'closed': lambda n: closed(*pipe(n)),
}
# The kinds that the runner reads back from their file at the end.
FILES = ('file', 'named')


# The header, a progress line for every interval and the total; returns the CSV
# file of their figures.
def check_run(text, r):
    sizes = dict(zip(r['sizes'][::2], map(int, r['sizes'][1::2])))
    interval = sizes.get('--interval', 10000)
    lines = text.split('\r\n')
    assert len(lines) == sizes.get('--passes', 1000000) // interval + 4 and \
        lines[0] == f'   Loops      MemoryUsage      duration for {interval} pass' + 'es' * (interval > 1) and \
        lines[-1] == '', f'the output has {len(lines)} lines, the first {lines[0]!r}, the last {lines[-1]!r}'
    rows = CSV_HEADER
    for k, line in enumerate(lines[1:-2]):
        m = re.fullmatch(rf' *{k * interval}\t *([0-9]{{1,3}}(?:\.[0-9]{{3}})*) K\t *([0-9]+)ms', line)
        assert len(line) == 37 and m, f'progress line {k} is {line!r}'
        kib = int(m[1].replace('.', ''))
        most = r['max_kib'] if r['max_kib'] and 'STRINGCHURN_SANITIZED' not in os.environ else kib
        assert 0 < kib <= most, f'a working set of {m[1]}'
        rows += f'{k * interval},{kib},{m[2]}\n'
    assert re.fullmatch('Total Time: [0-9]+ seconds', lines[-2]), f'the total is {lines[-2]!r}'
    return rows


# The record: the machine it ran on and when it started, as the system
# tells, and a row for every progress line.
def check_record(r):
    record = json.loads(pathlib.Path('run.json').read_text())
    machine = record['machine']
    memory = os.sysconf('SC_PHYS_PAGES') * os.sysconf('SC_PAGE_SIZE')
    assert machine['processor'] and machine['system'] and machine['logical_processors'] == os.cpu_count() \
        and abs(machine['memory_bytes'] / memory - 1) < 0.01, f'the machine is {machine}'
    # On Linux the processor is the one /proc/cpuinfo names, where it names one.
    names = re.findall(r'^model name\s*:(.*)$', pathlib.Path('/proc/cpuinfo').read_text(), re.M)
    assert EOL != '\n' or not names or machine['processor'] == names[0].strip(' \t'), machine
    started = datetime.datetime.strptime(record['started'], '%Y-%m-%dT%H:%M:%S%z')
    assert abs(time.time() - started.timestamp()) < r['limit'], f'started {record["started"]}'
    passes = [row['pass'] for row in record['progress']]
    sizes = record['settings']
    assert passes == list(range(0, sizes['passes'] + 1, sizes['interval'])), f'rows of {passes[:9]}'


# p.poll(), which also keeps the peak resident memory (KiB) of a program that has ended.
def poll(p):
    if p.returncode is None:
        pid, status, usage = os.wait4(p.pid, os.WNOHANG)
        if pid:
            p.returncode = os.waitstatus_to_exitcode(status)
            p.peak_kib = usage.ru_maxrss
    return p.returncode


# Runs the command `program` as row `r` says, in the current folder.
def run(r, program):
    kinds = [r['stdin'], r['stdout'], r['stderr']]
    tty = pty.openpty() if 'tty' in kinds else None
    if tty:
        # Echo off, as a script that reads a password leaves it: the program turns it
        # on for its line, and off again as it ends (natively).
        modes = termios.tcgetattr(tty[1])
        modes[3] &= ~termios.ECHO
        termios.tcsetattr(tty[1], termios.TCSANOW, modes)
    streams = dict(STREAMS, tty=lambda n: tty[::-1])
    theirs, ours = zip(*(streams[kind](n) for n, kind in enumerate(kinds)))
    opened = set(ours) - {None}
    readable = {ours[n] for n in (1, 2) if kinds[n] not in FILES} - {None}
    out = ours[1]
    encoding = 'utf-8' if tty else 'utf-16-le'

    # In the child, before the program.
    def start():
        for name in r['ignore']:
            signal.signal(getattr(signal, name), signal.SIG_IGN)
        # SIGQUIT leaves no core.
        resource.setrlimit(resource.RLIMIT_CORE, (0, 0))
        if r['fsize']:
            resource.setrlimit(resource.RLIMIT_FSIZE, (r['fsize'], r['fsize']))
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        if tty:
            fcntl.ioctl(tty[1], termios.TIOCSCTTY, 0)
        for n in range(3):
            if theirs[n] is None:
                os.close(n)

    for name, want in r['files'].items():
        if want is not None:
            pathlib.Path(name).write_text('kept\n')
    if r['fifo']:
        os.mkfifo(r['fifo'])
        threading.Thread(target=pathlib.Path(r['fifo']).read_bytes, daemon=True).start()
    args = [a.replace('{dir}', os.getcwd()) for a in [*r['sizes'], *r['args']]]
    p = subprocess.Popen(program + args, stdin=theirs[0], stdout=theirs[1], stderr=theirs[2],
                         cwd=START, start_new_session=bool(tty), preexec_fn=start)
    for fd in set(theirs) - opened - {None}:
        os.close(fd)
    shown = {}

    # Reads what the program writes until done(); drops what is at its end.
    def read_until(done, seconds):
        until = time.time() + seconds
        while not done() and time.time() < until:
            for fd in select.select(list(readable), [], [], 0.02)[0]:
                try:
                    chunk = os.read(fd, 4096)
                except OSError:
                    # A terminal whose program has gone reads EIO.
                    chunk = b''
                shown[fd] = shown.get(fd, b'') + chunk
                if not chunk:
                    readable.discard(fd)

    # What stream n holds so far.
    def written(n):
        return os.pread(ours[n], 1 << 24, 0) if kinds[n] in FILES else shown.get(ours[n], b'')

    def hangup(_):
        os.close(out)
        opened.discard(out)
        readable.discard(out)

    def alive(_):
        time.sleep(0.3)
        assert p.poll() is None, 'the program did not wait for its input'

    def csv(_):
        written = pathlib.Path('run.csv').read_bytes().decode()
        rows = check_run(shown[out].decode(encoding), r)
        assert written == rows, f'the CSV file holds {written!r}, not {rows!r}'

    steps = dict(type=lambda text: os.write(ours[0], text.encode(encoding)),
                 kill=lambda name: p.send_signal(getattr(signal, name)),
                 alive=alive, hangup=hangup, csv=csv)
    prompt = ' seconds'.encode(encoding)
    try:
        if r['steps']:
            read_until(lambda: prompt in shown.get(out, b'') or out not in readable, r['limit'])
            assert prompt in shown.get(out, b''), \
                f'before its input it wrote {shown.get(out, b"")[-300:]!r}, exit code {p.poll()}: {written(2)!r}'
            alive('')
        for step in r['steps']:
            verb, _, what = step.partition(' ')
            steps[verb](what)
        read_until(lambda: poll(p) is not None, r['limit'])
        read_until(lambda: not readable, 0.5)
        got = {n: written(n) for n in (1, 2)}
        assert p.returncode is not None and r['end'] in (p.returncode, 'any'), \
            f'the exit code is {p.returncode}, not {r["end"]}: {got[2]!r}'
        assert not r['rss_kib'] or p.peak_kib <= r['rss_kib'], f'{p.peak_kib} KiB were resident'
        assert not tty or b'\0' not in got[1], f'the terminal shows {got[1]!r}'
        assert not tty or EOL != '\n' or out not in opened or not termios.tcgetattr(out)[3] & termios.ECHO, \
            'the terminal still echoes'
        for n, want in ((1, r['out']), (2, r['err'])):
            if want is None or ours[n] is None:
                continue
            utf16 = n == 1 and kinds[n] != 'tty' and not r['text']
            text = got[n].decode('utf-16-le' if utf16 else 'utf-8')
            assert utf16 or kinds[n] == 'tty' or text.replace(EOL, '').isprintable(), \
                f'stream {n} is not plain text: {text!r}'
            assert check_run(text, r) if want == 'run' else re.fullmatch(want.replace('{eol}', EOL), text), \
                f'stream {n} holds {text!r}'
        if r['record']:
            check_record(r)
        assert not [n for n in os.listdir() if n.endswith('.tmp') and n not in r['files']], os.listdir()
        for name, want in r['files'].items():
            text = pathlib.Path(name).read_bytes().decode() if os.path.exists(name) else None
            assert text == want if None in (text, want) else re.fullmatch(want, text, re.S), \
                f'{name!r} holds {text!r}'
    finally:
        p.kill()
        p.wait()
        for fd in opened:
            os.close(fd)


def main(argv):
    if argv[1:] == ['--list']:
        return print(' '.join(dict.fromkeys(r['case'] for r in CASES if 'full' not in r['case'])))
    # The checks are asserts.
    if not __debug__ or len(argv) < 3:
        sys.exit('usage: console_cases.py --list | CASE PROGRAM...')
    # The program's system's line end.
    global EOL
    EOL = '\r\n' if argv[-1].endswith('.exe') else '\n'
    rows = [r for r in CASES if argv[1] in (r['case'], r['wine'])]
    assert rows, f'there is no case {argv[1]}'
    # The first failure ends the run, after the row's name.
    for r in rows:
        print(r['case'], *r['args'], flush=True)
        with tempfile.TemporaryDirectory(prefix='console run ') as folder:
            os.chdir(folder)
            run(r, argv[2:])


if __name__ == '__main__':
    main(sys.argv)
