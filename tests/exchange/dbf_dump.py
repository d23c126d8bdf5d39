# Prints a dBASE file as the peer library dbfread reads it, for the exchange tests to compare:
#   fields NAME:TYPE:LENGTH ...
#   records N deleted M
#   NAME=value|NAME=value|...      one line a record; None for an empty value, dates as ISO
# Arguments: the file, the code page of its text fields (empty: the one the file's header names).
import sys

from dbfread import DBF


def shown(value):
    if value is None:
        return "None"
    if hasattr(value, "isoformat"):
        return value.isoformat()
    return str(value)


table = DBF(sys.argv[1], encoding=sys.argv[2] or None, load=True)
lines = ["fields " + " ".join(f"{f.name}:{f.type}:{f.length}" for f in table.fields),
         f"records {len(table.records)} deleted {len(table.deleted)}"]
for record in table.records:
    lines.append("|".join(f"{name}={shown(value)}" for name, value in record.items()))
sys.stdout.buffer.write(("\n".join(lines) + "\n").encode("utf-8"))
