# The two arguments ctest gives every script here, sourced first thing by the script:
# sets `binary` and `source_dir`, both absolute, or ends the script with status 2.
if [[ $# -ne 2 ]]; then
  echo "usage: $(basename "$0") BINARY SOURCE_DIR" >&2
  exit 2
fi
binary=$1
source_dir=$2
if [[ $binary != /* ]]; then binary=$PWD/$binary; fi
source_dir=$(cd "$source_dir" && pwd) || exit 2
