#!/usr/bin/env bash
# Fetches one of Debian 12's source packages and unpacks it:
#   fetch-debian-source.sh PACKAGE VERSION FOLDER [RETRIES SECONDS]
# gives FOLDER/source. The package comes through the archive the system's apt already uses, read
# through a private source list kept in FOLDER, so the system's apt configuration and package lists
# are left as they are. RETRIES and SECONDS (default 2 and 30) bound the waiting on the network.
set -euo pipefail
package=$1
version=$2
work=$3
retries=${4:-2}
timeout=${5:-30}

mkdir -p "$work/lists/partial" "$work/cache/archives/partial"
cd "$work"
# The URI of the system's own Debian archive (deb822 sources first, then the one-line format).
uri=""
if [ -f /etc/apt/sources.list.d/debian.sources ]; then
  uri=$(awk '/^Types:/{deb=($0 ~ /[[:space:]]deb([[:space:]]|$)/)} deb&&/^URIs:/{print $2; exit}' \
        /etc/apt/sources.list.d/debian.sources)
fi
if [ -z "$uri" ] && [ -f /etc/apt/sources.list ]; then
  uri=$(awk '$1=="deb"{for(i=2;i<=NF;i++) if($i ~ /^[a-z]+:\/\//){print $i; exit}}' /etc/apt/sources.list)
fi
[ -n "$uri" ] || { echo "no Debian archive found in the apt sources" >&2; exit 1; }

echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $uri bookworm main" > src.list
apt_opts=(-o "Dir::Etc::SourceList=$work/src.list" -o Dir::Etc::SourceParts=/dev/null
          -o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work/cache"
          -o APT::Sandbox::User=root -o "Acquire::Retries=$retries" -o "Acquire::http::Timeout=$timeout" -qq)
apt-get "${apt_opts[@]}" update
apt-get "${apt_opts[@]}" source --download-only "$package" >/dev/null
dsc=$(ls "${package}_${version}"+dfsg-*.dsc 2>/dev/null | head -n1 || true)
[ -n "$dsc" ] || { echo "the archive does not hold $package $version" >&2; exit 1; }
# The signature check needs debian-keyring; apt has already checked the files against the signed
# archive index.
dpkg-source --no-check -x "$dsc" source >/dev/null
rm -f ./*.tar.*
