# The package's version, as the device's package database reports it: its one source, read by
# the main build and the fuzz build.
set(QLN_VERSION 1.4.0)
