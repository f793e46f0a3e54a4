#!/usr/bin/python3
"""Loopback servers for the Internet action tests.

    servers.py KIND [--dir DIR] [--cert PEM --key PEM] [--user U --password P] ...

Starts one server on 127.0.0.1 at a port the system chooses, prints "PORT <n>" (and, for
pop3, "SSLPORT <n>") on standard output, and serves until standard input closes. KIND is
http, https, ftp, smtp, smtps or pop3. The module is also imported by the end-to-end driver.
"""
import argparse
import http.server
import os
import shutil
import socket
import socketserver
import ssl
import subprocess
import sys
import threading
import time
import urllib.parse

PAGE = (b"<html><head><title>Plumo test page</title><style>p {color: red}</style>"
        b"<script>var hidden = 1;</script></head><body><h1>Welcome</h1>"
        b"<p>Fish &amp; chips&nbsp;today<br>second line</p>"
        b"<ul><li>one</li><li><a href=\"/docs/two.html\">Two link</a></li></ul>"
        b"<a href=\"../download/setup.zip\">Download setup</a>"
        b"<img src=\"images/logo.png\" alt=\"Logo picture\"></body></html>")


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def setup(self):
        super().setup()
        # Headers and body go out in separate writes; without this the client's delayed
        # acknowledgement holds every small reply for 40 ms.
        self.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)

    def reply(self, code, body, content_type="text/html", headers=()):
        self.send_response(code)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def do_HEAD(self):
        self.do_GET()

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        query = dict(urllib.parse.parse_qsl(url.query))
        path = url.path
        if path in ("/", "/page.html"):
            self.reply(200, PAGE)
        elif path == "/redirect":
            self.reply(302, b"moved", headers=[("Location", "/page.html")])
        elif path.startswith("/status/"):
            code = int(path.rsplit("/", 1)[1])
            self.reply(code, b"<html><body>Status %d page</body></html>" % code)
        elif path == "/agent":
            self.reply(200, self.headers.get("User-Agent", "").encode(), "text/plain")
        elif path == "/slow":
            time.sleep(int(query.get("ms", "1000")) / 1000)
            self.reply(200, b"slow reply", "text/plain")
        elif path == "/bytes":
            self.send_bytes(int(query.get("size", "0")))
        elif path == "/broken":
            # Announces more than it sends, then hangs up.
            self.send_response(200)
            self.send_header("Content-Length", "100000")
            self.end_headers()
            self.wfile.write(b"x" * 5000)
            self.wfile.flush()
            self.close_connection = True
            self.connection.shutdown(socket.SHUT_RDWR)
        elif path == "/hang":
            time.sleep(60)
        else:
            self.reply(404, b"<html><body>Not found</body></html>")

    def send_bytes(self, size):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(size))
        self.end_headers()
        block = bytes(range(256)) * 256
        while size > 0:
            n = min(size, len(block))
            self.wfile.write(block[:n])
            size -= n

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length)
        text = b"%s|%s|%s" % (self.path.encode(), self.headers.get("Content-Type", "").encode(), body)
        self.reply(200, text, "text/plain")


class HttpServer(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 128


def start_http(args, tls=False):
    server = HttpServer(("127.0.0.1", 0), Handler)
    if tls:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return {"PORT": server.server_address[1]}, server.shutdown


def start_ftp(args):
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import FTPHandler
    from pyftpdlib.servers import ThreadedFTPServer
    from pyftpdlib.log import config_logging
    import logging
    config_logging(level=logging.ERROR)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.dir, perm="elradfmwMT")
    handler = type("Handler", (FTPHandler,), {"authorizer": authorizer, "auth_failed_timeout": 0.1})
    server = ThreadedFTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, kwargs={"handle_exit": False}, daemon=True).start()
    return {"PORT": server.address[1]}, server.close_all


def start_smtp(args, implicit_tls=False):
    from aiosmtpd.controller import Controller
    from aiosmtpd.smtp import AuthResult, LoginPassword
    import logging
    import warnings
    # Refused handshakes are what some tests want; the server need not tell.
    logging.getLogger("mail.log").setLevel(logging.CRITICAL)
    warnings.filterwarnings("ignore", message="Session.login_data")

    class Saver:
        count = 0

        async def handle_RCPT(self, server, session, envelope, address, options):
            if args.reject and args.reject in address:
                return "550 5.1.1 <%s>: Recipient address rejected" % address
            envelope.rcpt_tos.append(address)
            return "250 OK"

        async def handle_DATA(self, server, session, envelope):
            Saver.count += 1
            name = os.path.join(args.dir, "message-%d-%04d.eml" % (port, Saver.count))
            with open(name + ".tmp", "wb") as out:
                out.write(("X-Envelope-From: %s\r\n" % envelope.mail_from).encode())
                out.write(("X-Envelope-To: %s\r\n" % ",".join(envelope.rcpt_tos)).encode())
                if session.authenticated:
                    out.write(("X-Auth: %s\r\n" % session.auth_data).encode())
                tls = server.transport.get_extra_info("ssl_object") is not None
                out.write(("X-TLS: %s\r\n" % tls).encode())
                out.write(envelope.original_content)
            os.replace(name + ".tmp", name)
            return "250 Message accepted for delivery"

    def authenticate(server, session, envelope, mechanism, auth_data):
        ok = isinstance(auth_data, LoginPassword) and auth_data.login.decode() == args.user and \
            auth_data.password.decode() == args.password
        return AuthResult(success=ok, handled=False, auth_data=auth_data.login.decode() if ok else None)

    context = None
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
    sock = socket.socket()
    sock.bind(("127.0.0.1", 0))
    port = sock.getsockname()[1]
    sock.close()
    kwargs = dict(hostname="127.0.0.1", port=port, data_size_limit=0)
    if args.user:
        kwargs.update(authenticator=authenticate, auth_require_tls=False)
    if context and implicit_tls:
        kwargs["ssl_context"] = context
    elif context:
        kwargs["tls_context"] = context
    controller = Controller(Saver(), **kwargs)
    controller.start()
    return {"PORT": port}, controller.stop


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def start_pop3(args):
    """Dovecot's POP3 server with a configuration of its own under args.dir; the messages of
    user args.user are the files of args.messages (one message each, in name order)."""
    base = os.path.abspath(args.dir)
    port, ssl_port = free_port(), free_port()
    maildir = os.path.join(base, "mail", args.user)
    for sub in ("cur", "new", "tmp"):
        os.makedirs(os.path.join(maildir, sub), exist_ok=True)
    for i, name in enumerate(sorted(os.listdir(args.messages)) if args.messages else []):
        with open(os.path.join(args.messages, name), "rb") as f:
            data = f.read().replace(b"\r\n", b"\n")
        with open(os.path.join(maildir, "new", "%d.%d.plumo" % (1000 + i, i)), "wb") as out:
            out.write(data)
    run_user = "dovenull" if os.getuid() == 0 else os.environ.get("USER", "nobody")
    uid, gid = os.getuid(), os.getgid()
    if uid == 0:
        # Dovecot refuses to read mail as root: the mailbox belongs to Debian's "mail" user
        # (who must be able to reach the folder).
        import pwd
        mail = pwd.getpwnam("mail")
        uid, gid = mail.pw_uid, mail.pw_gid
        for folder, dirs, names in os.walk(os.path.join(base, "mail")):
            for name in [folder] + [os.path.join(folder, n) for n in dirs + names]:
                os.chown(name, uid, gid)
        os.makedirs(os.path.join(base, "home"), exist_ok=True)
        os.chown(os.path.join(base, "home"), uid, gid)
    ssl_lines = "ssl = no\n"
    if args.cert:
        ssl_lines = "ssl = yes\nssl_cert = <%s\nssl_key = <%s\n" % (args.cert, args.key)
    config = f"""
base_dir = {base}/run
state_dir = {base}/state
log_path = {base}/dovecot.log
info_log_path = {base}/dovecot.log
protocols = pop3
listen = 127.0.0.1
{ssl_lines}
disable_plaintext_auth = no
auth_mechanisms = plain
auth_failure_delay = 0
default_login_user = {run_user}
default_internal_user = {"root" if uid == 0 else run_user}
first_valid_uid = 0
mail_location = maildir:{base}/mail/%u
pop3_uidl_format = %g
passdb {{
  driver = static
  args = password={args.password}
}}
userdb {{
  driver = static
  args = uid={uid} gid={gid} home={base}/home/%u
}}
service pop3-login {{
  inet_listener pop3 {{
    port = {port}
  }}
  inet_listener pop3s {{
    port = {ssl_port if args.cert else 0}
    ssl = yes
  }}
}}
service anvil {{
  chroot =
}}
service pop3-login {{
  chroot =
}}
service imap-login {{
  chroot =
}}
"""
    os.makedirs(os.path.join(base, "run"), exist_ok=True)
    os.makedirs(os.path.join(base, "state"), exist_ok=True)
    conf = os.path.join(base, "dovecot.conf")
    with open(conf, "w") as f:
        f.write(config)
    process = subprocess.Popen(["/usr/sbin/dovecot", "-F", "-c", conf], stdin=subprocess.DEVNULL)
    deadline = time.time() + 20
    while time.time() < deadline:
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            break
        except OSError:
            if process.poll() is not None:
                raise RuntimeError("dovecot ended: " + open(os.path.join(base, "dovecot.log")).read())
            time.sleep(0.05)

    def stop():
        process.terminate()
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()
    info = {"PORT": port}
    if args.cert:
        info["SSLPORT"] = ssl_port
    return info, stop


def start(kind, args):
    if kind == "http":
        return start_http(args)
    if kind == "https":
        return start_http(args, tls=True)
    if kind == "ftp":
        return start_ftp(args)
    if kind == "smtp":
        return start_smtp(args)
    if kind == "smtps":
        return start_smtp(args, implicit_tls=True)
    if kind == "pop3":
        return start_pop3(args)
    raise SystemExit("unknown server kind " + kind)


def parser():
    p = argparse.ArgumentParser()
    p.add_argument("kind")
    p.add_argument("--dir", default=".")
    p.add_argument("--messages")
    p.add_argument("--cert")
    p.add_argument("--key")
    p.add_argument("--user", default="")
    p.add_argument("--password", default="")
    p.add_argument("--reject")
    return p


def make_certificate(folder, name="localhost"):
    """A self-signed certificate for 127.0.0.1 and localhost; returns (cert, key)."""
    cert, key = os.path.join(folder, name + ".pem"), os.path.join(folder, name + ".key")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1",
                    "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost", "-keyout", key, "-out", cert],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return cert, key


def main():
    args = parser().parse_args()
    os.makedirs(args.dir, exist_ok=True)
    info, stop = start(args.kind, args)
    for name, value in info.items():
        print(name, value)
    print("READY", flush=True)
    try:
        sys.stdin.read()
    finally:
        stop()


if __name__ == "__main__":
    main()
