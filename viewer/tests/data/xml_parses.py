# Writes "parsed" to the second path when the first is well-formed XML, else the parser's error.
import sys
import xml.etree.ElementTree as ElementTree

try:
    ElementTree.parse(sys.argv[1])
    result = "parsed"
except Exception as error:
    result = "error: %s" % error
with open(sys.argv[2], "w") as out:
    out.write(result)
