# shellcheck shell=bash
# Helpers shared by the packaging checks.

# Every file and link under a folder, one a line, sorted: "path file mode" or
# "path link target". Folders are left out.
tree_listing()
{
    (cd "$1" && find . -mindepth 1 \( -type f -printf '%P file %m\n' \) -o \( -type l -printf '%P link %l\n' \)) \
        | LC_ALL=C sort
}

# Whether the listing of a folder is exactly the expected one; prints the difference when not.
expect_tree()
{
    local root=$1 expected=$2 what=$3 difference
    if ! difference=$(diff -u <(LC_ALL=C sort "$expected") <(tree_listing "$root")); then
        echo "FAIL: $what holds other files than expected ('-' missing, '+' unexpected):"
        echo "$difference"
        return 1
    fi
}

# The width and height of a PNG file, from its header.
png_size()
{
    local hex
    hex=$(od -An -tx1 -j16 -N8 "$1" | tr -d ' \n')
    echo "$((16#${hex:0:8}))x$((16#${hex:8:8}))"
}

# A list, one item a line, on one line.
one_line()
{
    tr '\n' ' ' <<< "$1" | sed 's/ *$//'
}

# The value of a key of a desktop entry's main group.
desktop_value()
{
    sed -n "s/^$2=//p" "$1" | head -n 1
}
