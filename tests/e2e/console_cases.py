#!/usr/bin/env python3
# The shipped program run as a user runs it, one row of CASES per run: its standard
# streams, the signals and keys it gets, and what must come out. The same rows run
# natively and, under Wine, on the .exe.
#
#   console_cases.py --list | CASE... -- PROGRAM...
#
# CASE is a case name, or "redirected" or "terminal": every case on Wine without,
# or with, a terminal. --list prints the cases for CTest (all but the full runs).
import datetime, json, os, pathlib, pty, re, resource, select, signal, subprocess, sys, tempfile, termios, fcntl, time

SMALL = ['--passes', '30000', '--length', '1000', '--interval', '10000']


def row(case, args=(), stdin='file', stdout='file', stderr='file', steps=(),
        end='exit 0', out='run', err='', ignore=(), lines=4, max_kib=None,
        limit=120, sizes=SMALL, wine=True, text=False, before=(), files=(), fsize=None,
        record=False, rss_kib=None):
    return dict(locals())


# Columns. case: the test's name; the rows of a case run one after the other. args:
# after `sizes`; {dir} is a fresh folder whose name has a blank. stdin, stdout,
# stderr: file (input: two UTF-16 lines), named (the file {dir}/out.txt), pipe,
# nonblocking (a pipe whose end in the program is non-blocking), closed (a pipe
# whose other end is closed), none (no descriptor), full (/dev/full), early (a
# pipe whose reader closes after the first line), tty (one pseudo-terminal, the
# controlling one).
# steps, once the program waits at its end: "type TEXT", "kill SIGNAME", "alive"
# (it still waits 300 ms on), "hangup" (the runner's ends close), "csv"
# ({dir}/run.csv holds the printed rows). end: "exit N", "signal N" or "any" within
# `limit` seconds. out: "run" (the header, `lines` progress lines of 37 characters,
# working sets up to `max_kib`, the total), a regex for all of standard output
# (UTF-16LE, UTF-8 on a terminal) or None; err: a regex for all of standard error
# or None. ignore: signals ignored at start. wine: in the Wine groups. text:
# standard output is plain text, as standard error always is: ASCII (standard error:
# UTF-8 without controls), every line ended by the system's line end ({eol} in a
# regex; CR LF for a Windows program).
# before: (name, text) files in {dir} before the start; files: (name, regex) files
# that {dir} must hold at the end (a name's lone surrogates are its bytes that are
# not UTF-8). fsize: the bytes a file may grow to (RLIMIT_FSIZE), as on a full
# disk. record: {dir}/run.json is the record of the run that standard output shows.
# rss_kib: the most memory the program may have resident at its peak. A terminal
# never shows a NUL, and no run leaves a .tmp file behind. (stdin may also be
# zeros: 256 MiB of zero bytes, one line without an end.)
def refused(option, path, reason=''):  # a file that --csv or --json may not write
    return row('file-refused', [option, path], end='exit 2', out='',
               err=f'stringchurn: {option} takes .*{reason}{{eol}}{HINT}')


HINT = "Try 'stringchurn --help'\\.{eol}"


# What README.md shows `stringchurn ARGUMENT` print, line by line.
def shown(argument):
    readme = (pathlib.Path(__file__).parents[2] / 'README.md').read_text()
    text = readme.split(f'$ stringchurn {argument}\n')[1].split('```')[0]
    return re.escape(text).replace('\n', '{eol}')


UNWRITABLE = 'stringchurn: cannot write %s: .+{eol}'
CSV_HEADER = '(?s)pass,working_set_kib,duration_ms\n'


# --compare's lines after the total, `run` the figures of the run's own line.
def compared(*args, run=r' +[0-9.]+ \u00b5s a pass +[0-9]+\.[0-9]{2} x the limit', length=1000):
    figure = r' +[0-9]+\.[0-9]+ \u00b5s a pass'
    return row('compare', args + ('--compare',), out=(
        r'(?s)   Loops.*\r\nTotal Time: [0-9]+ seconds\r\n'
        rf'Compared at {length} characters on this machine:\r\n  copy limit{figure}\r\n'
        rf'  this run  {run}\r\n  plain C\+\+ {figure} +[0-9.]+ x the limit\r\n'))


PIPES, TYPED = dict(stdin='pipe', stdout='pipe'), 'type typed\n'
TTY = dict(stdin='tty', stdout='tty', out=None, limit=5, wine=False)
FULL = dict(sizes=[], lines=101, limit=1200, wine=False, steps=('alive', TYPED), **PIPES)
CASES = [
    row('file'),
    row('pipe', steps=('alive', TYPED), **PIPES),
    # Made non-blocking by whoever shares it, the input is still waited for and the
    # output, far more than a pipe holds, written whole.
    row('nonblocking', stdin='nonblocking', stdout='pipe', steps=('alive', TYPED), wine=False),
    row('nonblocking', stdout='nonblocking', sizes=['--passes', '30000', '--length', '0', '--interval', '1'],
        out=r'(?s)   Loops.*\r\n  30000\t[^\r]*\r\nTotal Time: [0-9]+ seconds\r\n', wine=False),
    # Started as nohup and a shell's background jobs start it: ignored stays ignored.
    row('nohup', ignore=('SIGHUP', 'SIGINT'), steps=('kill SIGHUP', 'kill SIGINT', 'alive', TYPED),
        wine=False, **PIPES),
    # Standard output without a reader ends the run quietly with exit code 1.
    row('closed', stdin='closed', stdout='closed', out=None, end='exit 1'),
    row('closed', stdin='closed'),  # the end of the input ends the wait
    # A line without an end, far longer than the memory the program may take, is
    # waited for to the end of the input and thrown away.
    row('endless', stdin='zeros', rss_kib=131072),
    # Ctrl-C, the break key and shutdown end the program as the signal does.
    *(row('signals', steps=(f'kill {name}',), end=f'signal {getattr(signal, name)}', limit=5, wine=False,
          **PIPES) for name in ('SIGINT', 'SIGQUIT', 'SIGTERM')),
    # Output that cannot be written stops the run with exit code 1 and the system's
    # reason: a full or closed standard output, a full CSV file. A file the program
    # opens never takes a closed stream's place, nor is a CSV mixed into one.
    row('unwritable', ['--version'], stdout='full', out=None, end='exit 1',
        err=UNWRITABLE % 'standard output'),
    row('unwritable', ['--csv', '/dev/full'], end='exit 1', out='', err=UNWRITABLE % '"/dev/full"'),
    row('unwritable', ['--csv', '{dir}/run.csv'], stdout='none', end='exit 1',
        err=UNWRITABLE % 'standard output', files=(('run.csv', CSV_HEADER),)),
    row('unwritable', ['--csv', '{dir}/run.csv'], stdout='full', stderr='none', end='exit 1',
        files=(('run.csv', CSV_HEADER),)),
    # Standard output full after the header and a line: the CSV row goes before its
    # line, so the file has a row for the line that failed too.
    row('unwritable', ['--csv', '{dir}/run.csv'], fsize=116 + 78, ignore=('SIGXFSZ',), out=None,
        end='exit 1', err=UNWRITABLE % 'standard output', wine=False,
        files=(('run.csv', CSV_HEADER + '0,[0-9]+,[0-9]+\n10000,[0-9]+,[0-9]+\n'),)),
    # A reader that goes away ends the run at the next line, quietly; the whole run
    # would take seconds.
    row('early', stdout='early', out=None, end='exit 1', limit=5,
        sizes=['--passes', '2000000', '--length', '100000', '--interval', '10000']),
    # A CSV file or a record that is standard output's or standard error's, or cannot
    # be created (the system says why).
    *(refused(option, '{dir}/out.txt') | {stream: 'named'} for option in ('--csv', '--json')
      for stream in ('stdout', 'stderr')),
    *(refused(option, '{dir}', ': (Is a directory|Access (is )?denied)') for option in ('--csv', '--json')),
    # A run too large for the memory keeps an existing file; a name that is not
    # UTF-8 is that file's name, byte for byte.
    row('csv-kept', ['--passes', '1152921504606846968', '--csv', '{dir}/run.csv'], end='exit 3',
        out='', err='stringchurn: out of memory{eol}', before=(('run.csv', 'kept\n'),),
        files=(('run.csv', 'kept\n'),)),
    row('csv-kept', ['--csv', '{dir}/caf\udce9.csv'], files=(('caf\udce9.csv', CSV_HEADER + '.+'),),
        wine=False),
    # A refused name shows as given, in UTF-8, escaping only its quotes, controls and
    # the byte that is not UTF-8 (which Wine's command line makes U+FFFD).
    row('file-refused', ['--json', '{dir}/caf\u00e9 "x"\t\udce9/run.json'], end='exit 2', out='',
        err=r'stringchurn: --json takes .*, not ".*/caf\u00e9 \\"x\\"\\x09(\\xE9|\ufffd)/run\.json": .+{eol}' + HINT),
    row('csv', ['--csv', '{dir}/run.csv'], steps=('alive', 'csv', TYPED), **PIPES),
    # (Each option's refusals are the options test's.) A word on the command line
    # reaches the program as given, quotes and backslashes and all.
    row('options', ['say "hi" \\\\ \\'], end='exit 2', out='',
        err=r'stringchurn: "say \\"hi\\" \\\\\\ \\\\" is not an option; .*{eol}' + HINT),
    row('options', ['--help'], text=True, out=shown('--help')),
    row('options', ['-V', '--'], text=True, out=shown('--version')),
    # The record of a run, natively and under Wine; one that cannot be written leaves
    # the file of its name as it was.
    row('json', ['--json', '{dir}/run.json', '--no-wait'], record=True),
    row('json', ['--json', '{dir}/run.json', '--no-wait'], stdout='pipe', fsize=200,
        ignore=('SIGXFSZ',), end='exit 1', err=UNWRITABLE % '".*run.json"', wine=False,
        before=(('run.json', 'kept\n'),), files=(('run.json', 'kept\n'),)),
    # With no interval after pass 0 the run has no figure of its own; a run far
    # shorter than a millisecond has one, not the millisecond spread over its passes.
    compared(), compared('--passes', '0', run=' too short to measure'),
    compared('--passes', '1000', '--interval', '1000', '--length', '1', length=1,
             run=r'( +(?=[0-9.]*[1-9])[0-9.]+ \u00b5s a pass +[0-9.]+ x the limit| too short to measure)'),
    # Typed text beyond ASCII is echoed as text (Wine echoes one beyond U+FFFF as
    # two U+FFFD: the platform tests cover those natively).
    row('tty-line', **dict(TTY, steps=('type Gr\u00fc\u00dfe, \u4e16\u754c\r',),
                           out='(?s).*Gr\u00fc\u00dfe, \u4e16\u754c.*', wine=True)),
    row('tty-eof', steps=('type \x04',), **TTY),
    # An error line on a console shows a name beyond ASCII as it was given.
    row('tty-error', ['--csv', 'caf\u00e9/run.csv'], end='exit 2', err='(?s).*"caf\u00e9/run.csv".*',
        **dict(TTY, stderr='tty', wine=True)),
    # A line goes in with its Enter; Ctrl-C and a hangup end the program by their signals.
    row('tty-line', steps=('type ab', 'alive', 'type \r'), **TTY),
    row('tty-signals', steps=('type \x03',), end=f'signal {signal.SIGINT}', **TTY),
    row('tty-signals', steps=('kill SIGHUP',), end=f'signal {signal.SIGHUP}', **TTY),
    row('tty-hangup', steps=('hangup',), end='any', **TTY),
    # The shipped sizes, natively and under Wine: a working set no larger than the emptied
    # elements' blocks need (Wine's heap takes 48 bytes for such a 10-byte block, mimalloc
    # 16), and the wait for a line at the end.
    row('full', max_kib=65536, **FULL), row('full-wine', max_kib=98304, **FULL),
]


FILES = ('file', 'named')  # kinds of stream read back from their file at the end


# Appends what the descriptors give within `seconds`; drops those at their end.
def read_some(fds, into, seconds):
    for fd in select.select(list(fds), [], [], max(seconds, 0))[0]:
        try:
            chunk = os.read(fd, 4096)
        except OSError:  # a terminal whose program has gone reads EIO
            chunk = b''
        into[fd] = into.get(fd, b'') + chunk
        if not chunk:
            fds.discard(fd)


# The header, the progress lines and the total; returns the CSV rows they give.
def check_run(text, r):
    assert text.endswith('\r\n'), f'the output ends without CR LF: {text!r}'
    lines = text[:-2].split('\r\n')
    assert len(lines) == r['lines'] + 2 and \
        lines[0] == '   Loops      MemoryUsage      duration for 10000 passes', \
        f'the output has {len(lines)} lines, the first {lines[0]!r}'
    csv = 'pass,working_set_kib,duration_ms\n'
    for k, line in enumerate(lines[1:-1]):
        m = re.fullmatch(r' *([0-9]+)\t *([0-9]{1,3}(?:\.[0-9]{3})*) K\t *([0-9]+)ms', line)
        assert len(line) == 37 and m and m[1] == str(k * 10000), f'progress line {k} is {line!r}'
        kib = int(m[2].replace('.', ''))
        assert 0 < kib <= (r['max_kib'] or kib), f'a working set of {m[2]}'
        csv += f'{m[1]},{kib},{m[3]}\n'
    assert re.fullmatch('Total Time: [0-9]+ seconds', lines[-1]), f'the total is {lines[-1]!r}'
    return csv


# The record in `folder` against the run's output `text`.
def check_record(r, folder, text):
    with open(f'{folder}/run.json') as f:
        record = json.load(f)
    rows = ''.join(f'{p["pass"]},{p["working_set_kib"]},{p["duration_ms"]}\n' for p in record['progress'])
    assert check_run(text, r) == CSV_HEADER[4:] + rows, f'the record holds {rows!r}'
    total = record['total_ms']
    assert f'Total Time: {total // 1000} seconds' in text, f'a total of {total} ms'
    machine, memory = record['machine'], os.sysconf('SC_PHYS_PAGES') * os.sysconf('SC_PAGE_SIZE')
    assert machine['processor'] and machine['system'] and \
        machine['logical_processors'] == os.cpu_count() and \
        abs(machine['memory_bytes'] / memory - 1) < 0.01, f'the machine is {machine}'
    started = datetime.datetime.strptime(record['started'], '%Y-%m-%dT%H:%M:%S%z')
    assert abs(time.time() - started.timestamp()) < r['limit'], f'started {record["started"]}'


# p.poll(), which also keeps the peak resident memory (KiB) of a program that has ended.
def poll(p):
    if p.returncode is None:
        pid, status, usage = os.wait4(p.pid, os.WNOHANG)
        if pid:
            p.returncode = os.waitstatus_to_exitcode(status)
            p.peak_kib = usage.ru_maxrss
    return p.returncode


def run(r, program, folder):
    kinds = r['stdin'], r['stdout'], r['stderr']
    tty = pty.openpty() if 'tty' in kinds else None
    child, ours, spare = [], [], [tty[1]] if tty else []  # spare: closed once it runs
    for n, kind in enumerate(kinds):
        theirs = mine = None
        if kind == 'tty':
            theirs, mine = tty[1], tty[0]
        elif kind == 'file':
            theirs = mine = os.open(folder, os.O_TMPFILE | os.O_RDWR)
            os.write(mine, 'first line\r\nsecond line\r\n'.encode('utf-16-le') if n == 0 else b'')
            os.lseek(mine, 0, os.SEEK_SET)
        elif kind == 'zeros':  # a file of holes: it takes no room
            theirs = mine = os.open(folder, os.O_TMPFILE | os.O_RDWR)
            os.truncate(mine, 256 << 20)
        elif kind == 'named':
            theirs = mine = os.open(f'{folder}/out.txt', os.O_CREAT | os.O_RDWR)
        elif kind == 'full':
            theirs = os.open('/dev/full', os.O_WRONLY)
        elif kind == 'none':
            theirs = subprocess.DEVNULL
        else:  # a pipe
            ends = os.pipe()
            theirs, mine = ends if n == 0 else ends[::-1]
            os.set_blocking(theirs, kind != 'nonblocking')
            if kind == 'closed':
                os.close(mine)
                mine = None
        child.append(theirs), ours.append(mine)
        spare += [theirs] if kind not in ('file', 'zeros', 'named', 'none', 'tty') else []

    def start():  # in the child, before the program
        for name in r['ignore']:
            signal.signal(getattr(signal, name), signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_CORE, (0, 0))  # SIGQUIT leaves no core
        if r['fsize']:
            resource.setrlimit(resource.RLIMIT_FSIZE, (r['fsize'], r['fsize']))
        if tty:
            fcntl.ioctl(tty[1], termios.TIOCSCTTY, 0)
        for n in (n for n, kind in enumerate(kinds) if kind == 'none'):
            os.close(n)

    for name, text in r['before']:
        pathlib.Path(folder, name).write_text(text)
    args = [a.replace('{dir}', folder) for a in r['args']]
    p = subprocess.Popen(program + r['sizes'] + args, stdin=child[0], stdout=child[1],
                         stderr=child[2], start_new_session=bool(tty), preexec_fn=start,
                         env=dict(os.environ, TERM=os.environ.get('TERM', 'xterm')))
    for fd in spare:
        os.close(fd)
    opened = {fd for fd in ours if fd is not None}
    readable = {ours[n] for n in (1, 2) if ours[n] is not None and kinds[n] not in FILES}
    shown, out = {}, ours[1]
    encode = (lambda t: t.encode()) if kinds[0] == 'tty' else (lambda t: t.encode('utf-16-le'))

    def gather(wanted, until):  # reads until `wanted` shows on standard output
        while out in readable and wanted not in shown.get(out, b'') and time.time() < until:
            read_some(readable, shown, until - time.time())
        return wanted in shown.get(out, b'')

    try:
        if r['stdout'] == 'early':
            gather('\r\n'.encode('utf-16-le'), time.time() + r['limit'])
            os.close(out), opened.discard(out), readable.discard(out)
        if r['steps'] and out in readable:
            prompt = b' seconds' if kinds[1] == 'tty' else ' seconds\r\n'.encode('utf-16-le')
            assert gather(prompt, time.time() + r['limit']), f'before its input it wrote {shown}'
            time.sleep(0.3)
        for step in r['steps']:
            verb, _, what = step.partition(' ')
            if verb == 'type':
                os.write(ours[0], encode(what))
            elif verb == 'kill':
                p.send_signal(getattr(signal, what))
            elif verb == 'alive':
                time.sleep(0.3)
                assert p.poll() is None, 'the program did not wait for its input'
            elif verb == 'hangup':
                for fd in {ours[0], out} & opened:
                    os.close(fd), opened.discard(fd), readable.discard(fd)
            elif verb == 'csv':
                with open(f'{folder}/run.csv', newline='') as f:
                    written, rows = f.read(), check_run(shown[out].decode('utf-16-le'), r)
                assert written == rows, f'the CSV file holds {written!r}, not {rows!r}'
        until = time.time() + r['limit']
        while poll(p) is None and time.time() < until:
            read_some(readable, shown, 0.02) if readable else time.sleep(0.02)
        ended = 'no end' if p.poll() is None else \
            f'exit {p.returncode}' if p.returncode >= 0 else f'signal {-p.returncode}'
        until = time.time() + 0.5
        while readable and time.time() < until:
            read_some(readable, shown, until - time.time())
        got = {n: shown.get(ours[n], b'') for n in (1, 2)}
        for n in (n for n in (1, 2) if kinds[n] in FILES):
            os.lseek(ours[n], 0, os.SEEK_SET)
            got[n] = b''.join(iter(lambda: os.read(ours[n], 65536), b''))
        assert ended == r['end'] or (r['end'] == 'any' and ended != 'no end'), \
            f'the program ended with {ended}, {got[2]!r}'
        assert not r['rss_kib'] or p.peak_kib <= r['rss_kib'], f'{p.peak_kib} KiB were resident'
        assert not tty or b'\0' not in shown.get(tty[0], b''), f'the terminal shows {shown}'
        for n, want in ((1, r['out']), (2, r['err'])):
            if want is None or kinds[n] not in FILES + ('pipe', 'tty'):
                continue
            plain = (n == 2 or r['text']) and kinds[n] != 'tty'
            try:
                text = got[n].decode('utf-16-le' if n == 1 and kinds[n] != 'tty' and not plain
                                     else 'utf-8')
            except UnicodeDecodeError:
                raise AssertionError(f'stream {n} is not text: {got[n]!r}')
            printable = '[ -~]' if n == 1 else '[^\\x00-\\x1f\\x7f-\\x9f]'
            assert not plain or re.fullmatch(f'({printable}*{EOL})*', text), \
                f'stream {n} is not plain text: {text!r}'
            assert check_run(text, r) if want == 'run' else \
                re.fullmatch(want.replace('{eol}', EOL), text), f'stream {n} holds {text!r}'
        if r['record']:
            check_record(r, folder, got[1].decode('utf-16-le'))
        assert not [n for n in os.listdir(folder) if n.endswith('.tmp')], os.listdir(folder)
        for name, want in r['files']:
            assert name in os.listdir(folder), f'no file {name!r} but {os.listdir(folder)}'
            text = pathlib.Path(folder, name).read_text()
            assert re.fullmatch(want, text), f'{name!r} holds {text!r}'
    finally:
        if p.poll() is None:
            p.kill(), p.wait()
        for fd in opened:
            os.close(fd)


def main(argv):
    if argv[1:] == ['--list']:
        return print(' '.join(dict.fromkeys(c['case'] for c in CASES if 'full' not in c['case'])))
    if not __debug__ or '--' not in argv[1:-1] or argv[1] == '--':  # the checks are asserts
        sys.exit('usage: console_cases.py --list | CASE... -- PROGRAM...')
    names, program = argv[1:argv.index('--')], argv[argv.index('--') + 1:]
    global EOL  # the system's line end, that of the program's system
    EOL = '\r\n' if program[-1].endswith('.exe') else '\n'
    failed = 0
    for name in names:
        rows = [c for c in CASES if c['case'] == name or c['wine'] and name in (
            'redirected', 'terminal') and (c['stdin'] == 'tty') == (name == 'terminal')]
        for r in rows or [None]:
            try:
                assert r is not None, 'there is no such case'
                with tempfile.TemporaryDirectory(prefix='console run ') as folder:
                    run(r, program, folder)
                print(f'{r["case"]} {" ".join(r["args"])}: ok')
            except AssertionError as failure:
                print(f'{name} {" ".join(r["args"]) if r else ""}: FAILED: {failure}')
                failed += 1
            sys.stdout.flush()
    sys.exit(1 if failed else 0)


if __name__ == '__main__':
    main(sys.argv)
