#!/usr/bin/python3
"""The service's /metrics text as Prometheus reads it: promtool's format and naming checks,
the Python client's parser, and counters that moved by exactly the events sent.
    metrics_format_test.py <metrics_sample>"""
import shutil
import subprocess
import sys

try:
    from prometheus_client.parser import text_string_to_metric_families
except ImportError:
    print("SKIP: python3-prometheus-client is not installed")
    sys.exit(77)
if not shutil.which("promtool"):
    print("SKIP: promtool (Debian's prometheus) is not installed")
    sys.exit(77)

EVENTS = """
request list_api 200 0.0004
request list_api 200 0.02
request list_api 404 0.003
request submit_form 303 0.04
request submit_api 500 12
request submit_api 599 0.1
request healthz 101 0.001
submission created
submission created
submission blocked_name
commit 1
commit 40
commit 300
database-error
entries 1200 0 35
dropped 7
connections 3
"""

# Sample name and labels -> value that the events above must give.
EXPECTED = {
    ("vantrell_highscores_requests_total", (("code", "2xx"), ("route", "list_api"))): 2,
    ("vantrell_highscores_requests_total", (("code", "4xx"), ("route", "list_api"))): 1,
    ("vantrell_highscores_requests_total", (("code", "3xx"), ("route", "submit_form"))): 1,
    ("vantrell_highscores_requests_total", (("code", "5xx"), ("route", "submit_api"))): 2,
    ("vantrell_highscores_requests_total", (("code", "2xx"), ("route", "healthz"))): 1,  # below 300
    ("vantrell_highscores_requests_total", (("code", "2xx"), ("route", "static"))): 0,
    ("vantrell_highscores_request_duration_seconds_bucket", (("le", "0.0005"), ("route", "list_api"))): 1,
    ("vantrell_highscores_request_duration_seconds_bucket", (("le", "0.025"), ("route", "list_api"))): 3,
    ("vantrell_highscores_request_duration_seconds_bucket", (("le", "10.0"), ("route", "submit_api"))): 1,
    ("vantrell_highscores_request_duration_seconds_bucket", (("le", "+Inf"), ("route", "submit_api"))): 2,
    ("vantrell_highscores_request_duration_seconds_count", (("route", "list_api"),)): 3,
    ("vantrell_highscores_submissions_total", (("outcome", "created"),)): 2,
    ("vantrell_highscores_submissions_total", (("outcome", "blocked_name"),)): 1,
    ("vantrell_highscores_submissions_total", (("outcome", "rate_limited"),)): 0,
    ("vantrell_highscores_writer_commits_total", ()): 3,
    ("vantrell_highscores_writer_batch_size_bucket", (("le", "1.0"),)): 1,
    ("vantrell_highscores_writer_batch_size_bucket", (("le", "64.0"),)): 2,
    ("vantrell_highscores_writer_batch_size_bucket", (("le", "+Inf"),)): 3,
    ("vantrell_highscores_writer_batch_size_sum", ()): 341,
    ("vantrell_highscores_database_errors_total", ()): 1,
    ("vantrell_highscores_entries", (("type", "1"),)): 1200,
    ("vantrell_highscores_entries", (("type", "9"),)): 35,
    ("vantrell_highscores_log_lines_dropped_total", ()): 7,
    ("vantrell_highscores_open_connections", ()): 3,
    ("vantrell_highscores_build_info", (("version", "9.8.7"),)): 1,
}
SERIES = {  # every label value exists from the start
    "vantrell_highscores_requests_total": 10 * 4,
    "vantrell_highscores_submissions_total": 9,
}


def main():
    text = subprocess.run([sys.argv[1], "9.8.7"], input=EVENTS, capture_output=True, text=True, check=True).stdout
    failures = []

    check = subprocess.run(["promtool", "check", "metrics"], input=text, capture_output=True, text=True)
    if check.returncode != 0 or check.stdout.strip() or check.stderr.strip():
        failures.append("promtool check metrics: " + (check.stdout + check.stderr).strip())

    families = {f.name: f for f in text_string_to_metric_families(text)}
    samples = {}
    for family in families.values():
        for s in family.samples:
            # The parser writes bucket bounds its own way ("10.0"); compare numbers as numbers.
            labels = tuple(sorted((k, str(float(v)) if k == "le" and v != "+Inf" else v) for k, v in s.labels.items()))
            samples[(s.name, labels)] = s.value
    for key, value in EXPECTED.items():
        if samples.get(key) != value:
            failures.append("%s%s: %r, not %r" % (key[0], dict(key[1]), samples.get(key), value))
    for name, count in SERIES.items():
        found = sum(1 for (n, _) in samples if n == name)
        if found != count:
            failures.append("%s: %d series, not %d" % (name, found, count))
    for failure in failures:
        print("FAIL:", failure)
    if failures:
        print(text)
        return 1
    print("PASS: %d families, %d samples" % (len(families), len(samples)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
