"""Checks statements sent to SQL Server against a T-SQL grammar (sqlglot,
dialect tsql). Reads the statements from stdin as a JSON array of texts and
prints one line "<index>\t<fault>" per fault.

sqlglot 10.6.3 cannot parse six constructs the tool sends; each is checked
here by a strict pattern of its own and replaced by a form the grammar reads,
so the rest of the statement is still parsed:
  - "output inserted.<col> into @<var>" inside an insert (no OUTPUT clause in
    its grammar): the clause must have exactly that form, then it is removed;
  - "insert into <table> default values" (no DEFAULT VALUES): must be exactly
    that, optionally with the output clause above;
  - "update <alias> set ... from <table> <alias> inner join ... on ..." (no
    joins in an update's FROM): the set list is parsed as "update <alias> set
    ..." and the rest as "select 1 from ...";
  - "execute @<var> = sp_getapplock ..." (read as an opaque command): the
    named arguments must be exactly those of a lock held by the transaction;
  - "if @@error <> 0 return" (the check that ends a batch of several
    statements at the first that fails): exactly that, nothing parsed;
  - "save transaction <name>" and "rollback transaction <name>" (a step
    undone alone): exactly that.
It also refuses what the grammar accepts but SQL Server does not: the ||
operator and functions T-SQL does not have.
"""
import json
import re
import sys

import sqlglot
from sqlglot import exp

# Functions sqlglot keeps as unknown ("anonymous") that T-SQL has.
TSQL_FUNCTIONS = {"SCOPE_IDENTITY", "DATALENGTH", "LEFT", "RIGHT", "REPLACE", "LTRIM", "RTRIM",
                  "GETDATE", "ISNULL", "LEN", "CHARINDEX", "ROW_NUMBER", "NEWID"}

OUTPUT = re.compile(r"\s+output\s+(.*?)\s+(into\s+@\w+\s+|(?=values|default|select))",
                    re.IGNORECASE | re.DOTALL)
OUTPUT_COLUMNS = re.compile(r"inserted\.\w+(\s*,\s*inserted\.\w+)*$", re.IGNORECASE)
DEFAULT_VALUES = re.compile(r"^\s*(insert\s+into\s+(\[\w+\]|\w+))\s+default\s+values\s*$",
                            re.IGNORECASE)
APPLOCK = re.compile(r"^\s*execute\s+@\w+\s*=\s*sp_getapplock\s+@Resource\s*=\s*N'[^']{1,255}',"
                     r"\s*@LockMode\s*=\s*N'(Shared|Exclusive)',\s*@LockOwner\s*=\s*N'Transaction',"
                     r"\s*@LockTimeout\s*=\s*\d+\s*$", re.IGNORECASE)
IF_FAILED = re.compile(r"^\s*if\s+@@error\s*<>\s*0\s+return\s*$", re.IGNORECASE)
SAVEPOINT = re.compile(r"^\s*(save|rollback)\s+transaction\s+\w+\s*$", re.IGNORECASE)
UPDATE_FROM = re.compile(r"^\s*update\s+(\w+)\s+set\s+(.*)$", re.IGNORECASE | re.DOTALL)


def top_level(text):
    """The positions of text outside parentheses and literals (a doubled quote
    inside a literal toggles twice)."""
    depth, quoted = 0, False
    for i, c in enumerate(text):
        if c == "'":
            quoted = not quoted
        elif not quoted and c == "(":
            depth += 1
        elif not quoted and c == ")":
            depth -= 1
        elif not quoted and depth == 0:
            yield i


def top_level_from(text):
    """Index of the first " from " at the top level."""
    for i in top_level(text):
        if re.match(r"\sfrom\s", text[i:i + 6], re.IGNORECASE):
            return i
    return -1


def split_statements(batch):
    parts, start = [], 0
    for i in top_level(batch):
        if batch[i] == ";":
            parts.append(batch[start:i])
            start = i + 1
    parts.append(batch[start:])
    return [p for p in parts if p.strip()]


def rewrite(statement):
    """The statement in forms the grammar reads; raises ValueError for a
    construct of the three above written in another form."""
    if re.match(r"\s*(save|rollback)\s+tran", statement, re.IGNORECASE):
        if not SAVEPOINT.match(statement):
            raise ValueError("savepoint in an unexpected form")
        return []
    if re.match(r"\s*if\b", statement, re.IGNORECASE):
        if not IF_FAILED.match(statement):
            raise ValueError("if in an unexpected form")
        return []
    if re.match(r"\s*exec(ute)?\b", statement, re.IGNORECASE):
        if not APPLOCK.match(statement):
            raise ValueError("execute in an unexpected form")
        return []
    m = OUTPUT.search(statement)
    if m:
        if not OUTPUT_COLUMNS.match(m.group(1).strip()):
            raise ValueError("output clause not of the form inserted.<column>")
        if not m.group(2).lower().startswith("into"):
            raise ValueError("output without into (refused on a table with triggers)")
        statement = statement[:m.start()] + " " + statement[m.end():]
    if re.search(r"\bdefault\s+values\b", statement, re.IGNORECASE):
        d = DEFAULT_VALUES.match(statement)
        if not d:
            raise ValueError("default values in an unexpected form")
        return [d.group(1) + " values (1)"]
    u = UPDATE_FROM.match(statement)
    if u and re.search(r"\bjoin\b", statement, re.IGNORECASE):
        at = top_level_from(u.group(2))
        if at < 0:
            raise ValueError("update with a join but no from")
        return ["update %s set %s" % (u.group(1), u.group(2)[:at]),
                "select 1 " + u.group(2)[at:]]
    return [statement]


def faults(batch):
    for statement in split_statements(batch):
        try:
            pieces = rewrite(statement)
        except ValueError as e:
            yield str(e)
            continue
        for piece in pieces:
            try:
                trees = sqlglot.parse(piece, read="tsql")
            except Exception as e:  # the grammar's own errors
                yield "does not parse: " + str(e).splitlines()[0]
                continue
            for tree in trees:
                if tree is None:
                    continue
                for node in tree.walk():
                    node = node[0] if isinstance(node, tuple) else node
                    if isinstance(node, exp.DPipe):
                        yield "|| is not a T-SQL operator"
                    elif isinstance(node, exp.Anonymous) and node.name.upper() not in TSQL_FUNCTIONS:
                        yield "not a T-SQL function: " + node.name


def main():
    for index, batch in enumerate(json.load(sys.stdin)):
        if batch.strip():
            for fault in faults(batch):
                print("%d\t%s" % (index, fault))


if __name__ == "__main__":
    main()
