#!/usr/bin/env bash
# Runs a command in a network namespace of its own, with a local network made for it: loopback,
# and a veth pair whose one end holds 192.0.2.1/24 (the documentation range, RFC 5737). Nothing
# inside can reach this machine's real addresses or any other. The command learns the address
# from QLN_LAN_ADDRESS.
#
#   tests/support/in-network-namespace.sh COMMAND [ARGUMENTS...]
#
# Exits 77 (skipped) where no network namespace can be made (not root, no veth).
set -euo pipefail
if [ "${QLN_IN_NAMESPACE:-}" != 1 ]; then
  if ! unshare --net true 2>/dev/null; then
    echo "in-network-namespace: cannot make a network namespace here (needs root); skipped" >&2
    exit 77
  fi
  QLN_IN_NAMESPACE=1 exec unshare --net -- "$0" "$@"
fi
# Without IPv6: its link-local addresses arrive a moment after a link comes up, and Chromium
# takes that for a change of network and fails the requests it has under way.
for setting in /proc/sys/net/ipv6/conf/{all,default}/disable_ipv6; do
  if [ -w "$setting" ]; then echo 1 >"$setting"; fi
done
ip link set lo up
if ! ip link add qln-lan0 type veth peer name qln-lan1 2>/dev/null; then
  echo "in-network-namespace: this kernel makes no veth pair; skipped" >&2
  exit 77
fi
ip addr add 192.0.2.1/24 dev qln-lan0
ip link set qln-lan0 up
ip link set qln-lan1 up
export QLN_LAN_ADDRESS=192.0.2.1
exec "$@"
