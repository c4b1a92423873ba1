"""The program's accessible tree as a screen reader walks it, shared by the
end-to-end scripts."""
import re

PAGE = re.compile(r"^(\d+) - (\d+)$")  # the page label: "3 - 12"


def find(node, test, depth=0):
    """The first node under node, itself included, that passes test; None when
    there is none or a node went away while walked."""
    if node is None or depth > 40:
        return None
    try:
        if test(node):
            return node
        for i in range(node.childCount):
            found = find(node.getChildAtIndex(i), test, depth + 1)
            if found is not None:
                return found
    except Exception:  # a node that went away while walked
        return None
    return None
