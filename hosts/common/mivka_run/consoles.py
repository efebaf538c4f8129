"""Where the module's console (the process's standard output) goes while a
conversion runs, kept as `text` after it."""

import os
import sys
import tempfile


def _flush():
    if sys.stdout is not None:
        sys.stdout.flush()


class ConsoleToFile:
    """Into a temporary file while the conversion runs (a file never blocks
    the module), then on to where it went before. Without a standard output
    at all, nothing is kept."""

    def __enter__(self):
        _flush()
        self.text = b""
        try:
            self._saved = os.dup(1)
        except OSError:
            self._saved = None
        self._file = tempfile.TemporaryFile()
        if self._saved is not None:
            os.dup2(self._file.fileno(), 1)
        return self

    def __exit__(self, *failure):
        _flush()
        with self._file:
            if self._saved is None:
                return False
            os.dup2(self._saved, 1)
            os.close(self._saved)
            self._file.seek(0)
            self.text = self._file.read()
        text = self.text
        try:
            while text:
                text = text[os.write(1, text):]
        except OSError:
            pass
        return False


class ConsoleThroughPipe:
    """Passed on as it comes, through a pipe.

    The pipe is emptied by another process (tee), which also keeps a copy
    in a temporary file: the module writes while it holds the interpreter's
    lock, so a thread of this process that emptied the pipe would wait for
    that lock while the module waits for room in the pipe."""

    def __enter__(self):
        import subprocess

        _flush()
        self.text = b""
        self._copy = tempfile.NamedTemporaryFile(prefix="mivka-console-")
        self._saved = os.dup(1)
        reading, writing = os.pipe()
        self._tee = subprocess.Popen(["tee", "-a", self._copy.name], stdin=reading, stdout=self._saved)
        os.close(reading)
        os.dup2(writing, 1)
        os.close(writing)
        return self

    def __exit__(self, *failure):
        _flush()
        os.dup2(self._saved, 1)  # closes the pipe's last writing end: tee sees its end
        self._tee.wait()
        os.close(self._saved)
        with self._copy:
            self.text = self._copy.read()
        return False
