#!/usr/bin/env python3
"""Checks that the version record the resource compiler builds from app/rangwerk.rc is byte for
byte the record embedded in a program built on this system.

Usage: check_rc_version_record.py <rangwerk.rc> <program> <llvm-rc> <c-compiler>

The resource script is preprocessed with the C compiler against the few Windows constants it
uses, compiled with llvm-rc, and the RT_VERSION resource is taken from the .res file. Missing
images (the logo may not be drawn yet) are replaced by placeholders; they do not touch the
version record.
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile

WINDOWS_CONSTANTS = """\
#define VS_VERSION_INFO 1
#define VS_FFI_FILEFLAGSMASK 0x0000003FL
#define VOS__WINDOWS32 0x00000004L
#define VFT_APP 0x00000001L
#define VFT2_UNKNOWN 0x00000000L
#define CREATEPROCESS_MANIFEST_RESOURCE_ID 1
#define RT_MANIFEST 24
"""

RT_VERSION = 16


def resource_id(header, offset):
    if struct.unpack_from("<H", header, offset)[0] == 0xFFFF:
        return struct.unpack_from("<H", header, offset + 2)[0], offset + 4
    text = ""
    while True:
        unit = struct.unpack_from("<H", header, offset)[0]
        offset += 2
        if unit == 0:
            return text, offset
        text += chr(unit)


def version_resources(res):
    position = 0
    while position + 8 <= len(res):
        data_size, header_size = struct.unpack_from("<II", res, position)
        header = res[position + 8:position + header_size]
        kind, _ = resource_id(header, 0)
        body = res[position + header_size:position + header_size + data_size]
        if kind == RT_VERSION:
            yield body
        position = (position + header_size + data_size + 3) & ~3


def main():
    rc_path, program, llvm_rc, compiler = sys.argv[1:5]
    source_dir = os.path.dirname(os.path.abspath(rc_path))
    with tempfile.TemporaryDirectory() as work:
        copy = os.path.join(work, "app")
        shutil.copytree(source_dir, copy, ignore=shutil.ignore_patterns("*.cpp", "*.h"))
        include = os.path.join(work, "include")
        os.mkdir(include)
        with open(os.path.join(include, "windows.h"), "w") as out:
            out.write(WINDOWS_CONSTANTS)
        # The logo is drawn by the info dialog's resources beside the program's folder.
        logo_source = os.path.join(os.path.dirname(source_dir), "ui", "resources", "logo.bmp")
        logo = os.path.join(work, "ui", "resources", "logo.bmp")
        os.makedirs(os.path.dirname(logo))
        if os.path.exists(logo_source):
            shutil.copyfile(logo_source, logo)
        else:
            # A 1 x 1 white bitmap.
            pixels = b"\xff\xff\xff\x00"
            info = struct.pack("<IiiHHIIiiII", 40, 1, 1, 1, 24, 0, len(pixels), 0, 0, 0, 0)
            with open(logo, "wb") as out:
                out.write(b"BM" + struct.pack("<IHHI", 14 + len(info) + len(pixels), 0, 0, 54)
                          + info + pixels)

        script = os.path.join(copy, "rangwerk.rc")
        preprocessed = os.path.join(copy, "preprocessed.rc")
        res = os.path.join(work, "rangwerk.res")
        subprocess.run([compiler, "-E", "-P", "-xc", "-I", include, script, "-o", preprocessed],
                       check=True)
        subprocess.run([llvm_rc, "/C", "65001", "/FO", res, preprocessed], check=True, cwd=copy)
        with open(res, "rb") as f:
            records = list(version_resources(f.read()))

    if len(records) != 1:
        print("expected one version resource, found %d" % len(records))
        return 1
    with open(program, "rb") as f:
        embedded = f.read()
    if records[0] not in embedded:
        print("the version record of rangwerk.rc (%d bytes) differs from the embedded one"
              % len(records[0]))
        return 1
    print("rangwerk.rc and the embedded record agree (%d bytes)" % len(records[0]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
