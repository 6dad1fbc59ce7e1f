"""`ctl tally add` to the new text in OBS: the real program and Debian's real OBS (no browser
source, so the games are drawn with OBS's own text sources), in a private network. Each
addition is timed from starting ctl to GetInputSettings first giving the new total; median
and 99th percentile over 200 additions. The program sends at most 30 rounds of updates a
second, so a lone addition waits up to 33 ms for its round.

    obs_latency.py PROGRAM_FOLDER [ADDITIONS]
"""
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "tests", "support"))
from obs_session import ObsSession, in_private_network, wait_until  # noqa: E402

in_private_network()
additions = int(sys.argv[2]) if len(sys.argv) > 2 else 200
session = ObsSession(sys.argv[1])
client = session.start_obs()
session.start_program()
if not session.connected():
    sys.exit("OBS never connected")
session.ctl("open", "tally")
code, said = session.ctl("obs", "setup", "tally")
if code != 0:
    sys.exit(said)
total = "Glimmerhall · Quorvane · 玩家一总数"
to_answer, to_obs = [], []
for n in range(1, additions + 1):
    start = time.perf_counter()
    code, said = session.ctl("tally", "add", "1", "1")
    answered = time.perf_counter()
    # Polled as fast as OBS answers: each poll is one request on the open connection.
    if code != 0 or not wait_until(lambda: client.text(total) == str(n), 10, 0):
        sys.exit("addition %d never reached OBS (%s)" % (n, said.strip()))
    to_answer.append((answered - start) * 1e3)
    to_obs.append((time.perf_counter() - start) * 1e3)


def percentile(samples, share):
    ordered = sorted(samples)
    return ordered[min(int(share * (len(ordered) - 1) + 0.5), len(ordered) - 1)]


print("OBS link, ctl tally add to GetInputSettings showing the new total, %d additions" % additions)
print("  ctl answered  median %7.2f ms  p99 %7.2f ms" % (percentile(to_answer, 0.5),
                                                        percentile(to_answer, 0.99)))
print("  text in OBS   median %7.2f ms  p99 %7.2f ms" % (percentile(to_obs, 0.5),
                                                        percentile(to_obs, 0.99)))
session.end()
