#!/usr/bin/env python3
"""Writes the hand-made hostile inputs of the fuzz targets into hostile/<target>/: deep
nesting, huge declared sizes with little data behind them, every return of zlib's inflate
a file can cause, and lengths that overflow 32 bits. Run it from anywhere; it writes beside
itself."""

import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def save(target, name, data):
    folder = os.path.join(HERE, "hostile", target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("cp1251")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# ---- PNG ----

def chunk(kind, data, length=None):
    body = kind + data
    return struct.pack(">I", len(data) if length is None else length) + body + \
        struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png(*chunks):
    return b"\x89PNG\r\n\x1a\n" + b"".join(chunks)


def ihdr(width, height, depth=8, colour=2, interlace=0):
    return chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, interlace))


def rows(width, height, channels=3):
    return b"".join(b"\x00" + bytes(range(width * channels)) for _ in range(height))


IEND = chunk(b"IEND", b"")
GOOD = zlib.compress(rows(4, 4))
# A zlib header with the preset-dictionary flag: inflate answers Z_NEED_DICT for ever.
NEED_DICT = b"\x78\xbb" + b"\x00\x00\x00\x01" + zlib.compress(b"x")[2:]


def make_png():
    save("png", "idat_need_dict.png", png(ihdr(4, 4), chunk(b"IDAT", NEED_DICT), IEND))
    save("png", "ztxt_need_dict.png",
         png(ihdr(4, 4), chunk(b"zTXt", b"Title\x00\x00" + NEED_DICT), chunk(b"IDAT", GOOD), IEND))
    save("png", "idat_bad_header.png", png(ihdr(4, 4), chunk(b"IDAT", b"\x78\x00" + GOOD[2:]), IEND))
    save("png", "idat_bad_block.png", png(ihdr(4, 4), chunk(b"IDAT", b"\x78\x9c\xff\xff\xff"), IEND))
    save("png", "idat_far_distance.png",
         png(ihdr(4, 4), chunk(b"IDAT", b"\x78\x9c\x63\x00\x02\xff\xff"), IEND))
    save("png", "idat_truncated.png", png(ihdr(4, 4), chunk(b"IDAT", GOOD[:len(GOOD) // 2]), IEND))
    save("png", "idat_ends_early.png", png(ihdr(4, 40), chunk(b"IDAT", GOOD), IEND))
    save("png", "idat_trailing.png", png(ihdr(4, 4), chunk(b"IDAT", GOOD + b"\x00" * 64), IEND))
    save("png", "idat_bad_adler.png", png(ihdr(4, 4), chunk(b"IDAT", GOOD[:-4] + b"\0\0\0\0"), IEND))
    save("png", "ztxt_truncated.png",
         png(ihdr(4, 4), chunk(b"zTXt", b"Title\x00\x00" + zlib.compress(b"a" * 1000)[:9]),
             chunk(b"IDAT", GOOD), IEND))
    save("png", "ztxt_bomb.png",
         png(ihdr(4, 4), chunk(b"zTXt", b"Title\x00\x00" + zlib.compress(b"\0" * (64 << 20), 9)),
             chunk(b"IDAT", GOOD), IEND))
    save("png", "huge_size_little_data.png", png(ihdr(0x7FFFFFFF, 0x7FFFFFFF), chunk(b"IDAT", GOOD), IEND))
    # A header the decoder takes but whose store is beyond the limit: the picture held before stays.
    save("png", "store_beyond_limit.png", png(ihdr(20000, 20000), chunk(b"IDAT", GOOD), IEND))
    save("png", "wide_row_little_data.png", png(ihdr(30000, 30000, 16, 6), chunk(b"IDAT", GOOD), IEND))
    save("png", "chunk_length_overflow.png",
         png(ihdr(4, 4), chunk(b"tEXt", b"a\x00b", length=0xFFFFFFF8), IEND))
    save("png", "idat_length_beyond_file.png",
         png(ihdr(4, 4), chunk(b"IDAT", GOOD, length=0x7FFFFFFF)))
    save("png", "palette_too_long.png",
         png(ihdr(4, 4, 8, 3), chunk(b"PLTE", bytes(300 * 3)), chunk(b"tRNS", bytes(400)),
             chunk(b"IDAT", zlib.compress(rows(4, 4, 1))), IEND))
    save("png", "palette_index_beyond.png",
         png(ihdr(4, 4, 8, 3), chunk(b"PLTE", bytes(2 * 3)),
             chunk(b"IDAT", zlib.compress(b"".join(b"\x00" + b"\xff" * 4 for _ in range(4)))), IEND))
    save("png", "bad_depth.png", png(ihdr(4, 4, 3, 2), chunk(b"IDAT", GOOD), IEND))
    save("png", "interlaced_one_pixel.png",
         png(ihdr(1, 1, 16, 6, 1), chunk(b"IDAT", zlib.compress(b"\x00" + bytes(8))), IEND))
    save("png", "gamma_zero.png", png(ihdr(4, 4), chunk(b"gAMA", struct.pack(">I", 0)),
                                      chunk(b"IDAT", GOOD), IEND))
    save("png", "bad_filter.png", png(ihdr(4, 4), chunk(b"IDAT", zlib.compress(
        b"".join(b"\x09" + bytes(12) for _ in range(4)))), IEND))


# ---- dBase ----

def dbf_header(records, header_length, record_length):
    return struct.pack("<B3BIHH20x", 3, 126, 12, 8, records, header_length, record_length)


def dbf_field(name, kind, length, decimals=0):
    return struct.pack("<11sc4xBB14x", name.encode(), kind.encode(), length, decimals)


def make_dbf():
    fields = dbf_field("NAME", "C", 14) + dbf_field("TYPE_KEY", "N", 3)
    save("dbf", "many_records_no_data.dbf", dbf_header(0xFFFFFFFF, 32 + 64 + 1, 18) + fields + b"\r")
    save("dbf", "records_times_length_overflow.dbf",
         dbf_header(0x01000001, 32 + 64 + 1, 256) + dbf_field("NAME", "C", 255) + b"\r" + b" " * 256)
    save("dbf", "header_beyond_file.dbf", dbf_header(1, 0xFFFF, 18) + fields + b"\r")
    save("dbf", "header_shorter_than_fields.dbf", dbf_header(1, 40, 18) + fields + b"\r" + b" " * 18)
    save("dbf", "fields_past_record.dbf",
         dbf_header(1, 32 + 64 + 1, 5) + fields + b"\r" + b" " * 5)
    save("dbf", "too_many_fields.dbf",
         dbf_header(0, 32 + 32 * 300 + 1, 301) +
         b"".join(dbf_field("F%d" % i, "C", 1) for i in range(300)) + b"\r")
    save("dbf", "unterminated_name.dbf",
         dbf_header(1, 32 + 32 + 1, 15) + struct.pack("<11sc4xBB14x", b"ABCDEFGHIJK", b"C", 14, 0) +
         b"\r" + b" " * 15)
    save("dbf", "numeric_overflow.dbf",
         dbf_header(1, 32 + 32 + 1, 21) + dbf_field("TYPE_KEY", "N", 20) + b"\r" + b" 99999999999999999999")
    # Letters, blanks and a sign alone in numeric fields: none of them is a number, nor 0.
    save("dbf", "numbers_that_are_none.dbf",
         dbf_header(4, 32 + 64 + 1, 7) + dbf_field("TYPE_KEY", "N", 3) + dbf_field("MODE", "N", 3) +
         b"\r" + b" MK   1" + b"   1 C2" + b"      -" + b"  12 -3")
    save("dbf", "empty.dbf", b"")
    save("dbf", "header_only.dbf", dbf_header(3, 32, 1))


# ---- configuration ----

def make_config():
    save("config", "numbers_overflow.cfg",
         "[COM]\r\nCOM_port=99999999999999999999\r\nCOM_speed=-2147483649\r\n"
         "[COORD]\r\nLeft=2147483648\r\nTop=0x7FFFFFFFFFFF\r\n"
         "[PRICE]\r\nPriceDallas=1e99999\r\nPriceProxy=nan\r\nPriceCyfral=-0\r\n")
    save("config", "long_line.cfg", "[COMPANY]\r\nSellerName=" + "я" * (100 * 1024))
    save("config", "no_newline_brackets.cfg", "[" * 50000 + "=" * 50000)
    save("config", "many_sections.cfg", "".join("[S%d]\r\nk=v\r\n" % i for i in range(5000)))
    save("config", "nul_bytes.cfg", b"[FILES]\x00\r\nBios_file=\x00a\x00\r\n\x00=\x00\r\n[\x00]\r\n")
    save("config", "crlf_inside.cfg", "[PRODUCT]\rProductName=a\rb\n\n\r[PRODUCT]\nTypeKey= 0 \n")


# ---- grid layouts ----

def make_layout():
    save("layout", "int_overflow.txt", "2000000000\n" * 6)
    save("layout", "hidden_columns.txt", "-1\n" * 6)
    save("layout", "beyond_int.txt", "99999999999\n-2147483649\n9223372036854775808\n")
    save("layout", "signs_and_blanks.txt", "+77\n 0x10\n\t-0\n1e3\n--5\n")


# ---- XML documents ----

def make_xml():
    depth = 100000
    save("xml", "deep_nesting.xml", "<?xml version=\"1.0\"?>" + "<a>" * depth + "</a>" * depth)
    save("xml", "deep_unclosed.xml", "<a>" * (depth // 4))
    save("xml", "empty_tag.xml", "<?xml version=\"1.0\"?><>")
    save("xml", "huge_attribute.xml", "<a b=\"" + "x" * (100 * 1024) + "\"/>")
    save("xml", "entities.xml",
         "<a t=\"&#99999999999; &#x110000; &#0; &#; &amp &lt;&gt;&quot;\">&#xFFFFFFFFF;</a>")
    save("xml", "unterminated.xml", "<a b=\"c><d")
    save("xml", "many_siblings.xml", "<a>" + "<b/>" * 20000 + "</a>")
    save("xml", "odd_markup.xml", "<?xml?><!-- - --><!----><a/ ><a b c d=e>< /a></b></a>")


def make_report():
    depth = 100000
    save("report", "deep_nesting.fr3",
         "<?xml version=\"1.0\"?><TfrxReport>" + "<b>" * depth)
    save("report", "huge_numbers.fr3",
         "<?xml version=\"1.0\"?><TfrxReport><TfrxReportPage Name=\"P\" PaperWidth=\"1e308\" "
         "PaperHeight=\"-1e308\" LeftMargin=\"nan\"><TfrxMasterData Name=\"B\" Height=\"1e308\" "
         "RowCount=\"2147483647\" Columns=\"-2147483648\"><TfrxMemoView Name=\"M\" Width=\"1e308\" "
         "Font.Height=\"-2147483648\" Font.Size=\"99999999\" Frame.Width=\"1e308\" Text=\"x\"/>"
         "</TfrxMasterData></TfrxReportPage></TfrxReport>")
    # Positions no int holds, on a dialog page and a view, and columns by the million:
    # refused on load.
    save("report", "values_beyond_int.fr3",
         "<?xml version=\"1.0\"?><TfrxReport><TfrxDialogPage Name=\"D\" Left=\"1e12\" "
         "Top=\"-1e12\" Width=\"1e12\" Height=\"-1e12\"/>"
         "<TfrxReportPage Name=\"P\" Columns=\"3000000\">"
         "<TfrxMasterData Name=\"B\" Top=\"1e12\"><TfrxMemoView Name=\"M\" Left=\"1e12\" "
         "Text=\"x\"/></TfrxMasterData></TfrxReportPage></TfrxReport>")
    save("report", "unknown_and_duplicate.fr3",
         "<?xml version=\"1.0\"?><TfrxReport><TNoSuchClass Name=\"A\"/><TfrxReportPage Name=\"P\">"
         "<TfrxMemoView Name=\"P\"/><TfrxMemoView Name=\"P\"/><TfrxReport Name=\"R\"/>"
         "</TfrxReportPage><TfrxReportPage Name=\"P\"/></TfrxReport>")
    save("report", "odd_picture_data.fr3",
         "<?xml version=\"1.0\"?><TfrxReport><TfrxReportPage Name=\"P\"><TfrxMasterData Name=\"B\">"
         "<TfrxPictureView Name=\"Pic\" Picture.PropData=\"0954506E67496D61676589504E4\"/>"
         "<TfrxPictureView Name=\"Pic2\" Picture.PropData=\"FFFFFFFF\"/>"
         "</TfrxMasterData></TfrxReportPage></TfrxReport>")
    save("report", "bad_password_and_script.fr3",
         "<?xml version=\"1.0\"?><TfrxReport ReportOptions.Password=\"&#0;\" "
         "ScriptText.Text=\"" + "begin " * 5000 + "\"/>")


def make_prepared():
    depth = 100000
    save("prepared", "deep_outline.fp3",
         "<?xml version=\"1.0\"?><preparedreport><outline>" + "<item>" * (depth // 2) +
         "</outline></preparedreport>")
    save("prepared", "pages_without_sources.fp3",
         "<?xml version=\"1.0\"?><preparedreport><previewpages><page0 ufrom=\"99999\"/>"
         "<page1 ufrom=\"-1\"/><page2 ufrom=\"2147483648\"/></previewpages></preparedreport>")
    save("prepared", "huge_page.fp3",
         "<?xml version=\"1.0\"?><preparedreport><previewpages>"
         "<TfrxReportPage Name=\"P\" PaperWidth=\"1e300\" PaperHeight=\"1e300\"/>"
         "<page0><TfrxMemoView Name=\"M\" Left=\"1e300\" Width=\"-1e300\" Text=\"x\"/></page0>"
         "</previewpages></preparedreport>")
    save("prepared", "anchors_and_logs.fp3",
         "<?xml version=\"1.0\"?><preparedreport><anchors><item text=\"a\" page=\"-5\" top=\"nan\"/>"
         "</anchors><logs><item text=\"" + "x" * 10000 + "\"/></logs></preparedreport>")


# ---- component streams ----

def short(text):
    data = text.encode("cp1251")
    return bytes([len(data)]) + data


def component(cls, name, props=b"", children=b""):
    return short(cls) + short(name) + props + b"\x00" + children + b"\x00"


def make_component():
    sig = b"TPF0"
    save("component", "long_string_overflow.bin",
         sig + short("TfrxReport") + short("R") + short("Name") + b"\x0c" + struct.pack("<I", 0xFFFFFFFF))
    save("component", "wide_string_overflow.bin",
         sig + short("TfrxReport") + short("R") + short("Name") + b"\x12" + struct.pack("<I", 0x80000001))
    save("component", "binary_size_beyond.bin",
         sig + short("TfrxReport") + short("R") + short("Blob") + b"\x0a" + struct.pack("<I", 0x7FFFFFFF))
    nested = b""
    for _ in range(5000):
        nested = component("TfrxReportPage", "", b"", nested)
    save("component", "deep_components.bin", sig + component("TfrxReport", "R", b"", nested))
    lists = sig + short("TfrxReport") + short("R") + short("Tag") + b"\x01" * 100000
    save("component", "deep_lists.bin", lists)
    save("component", "unknown_class.bin", sig + component("TNoSuchThing", "X"))
    save("component", "root_is_not_a_component.bin", sig + component("TfrxFrame", "F"))
    save("component", "collection_garbage.bin",
         sig + short("TfrxReport") + short("R") + short("Variables") + b"\x0e" + b"\x01" * 1000)
    save("component", "extended_nan.bin",
         sig + short("TfrxMemoView") + short("M") + short("Left") + b"\x05" + b"\xff" * 10 + b"\x00\x00")


# ---- scripts ----

def make_scripts():
    depth = 30000
    for target, deep in (("script_pascal", "begin x := " + "(" * depth + "1" + ")" * depth + " end."),
                         ("script_cpp", "{ int x = " + "(" * depth + "1" + ")" * depth + "; }"),
                         ("script_basic", "x = " + "(" * depth + "1" + ")" * depth),
                         ("script_js", "var x = " + "(" * depth + "1" + ")" * depth + ";")):
        save(target, "deep_parentheses.txt", deep)
        save(target, "long_literal.txt", "x = \"" + "a" * (64 * 1024) + "\"")
        save(target, "unclosed.txt", "(" * depth)
    save("script_pascal", "deep_blocks.txt", "begin " * depth + "end. " * depth)
    save("script_pascal", "deep_ifs.txt", "begin " + "if True then " * depth + "x := 1 end.")
    save("script_cpp", "deep_blocks.txt", "{" * depth + "}" * depth)
    save("script_js", "deep_arrays.txt", "var a = " + "[" * depth + "]" * depth + ";")
    save("script_basic", "deep_ifs.txt", "If True Then\r\n" * (depth // 3) + "End If\r\n" * (depth // 3))
    # Scripts that make a string list and never free it, as a script may.
    save("script_pascal", "kept_list.txt", "var L: TStringList;\nbegin L := TStringList.Create; L.Add('x') end.")
    save("script_cpp", "kept_list.txt", "TStringList l; { l = new TStringList; l.Add(\"x\"); }")
    save("script_basic", "kept_list.txt", "dim l\r\nl = New TStringList\r\nl.Add(\"x\")\r\n")
    save("script_js", "kept_list.txt", "var l = new TStringList(); l.Add(\"x\");")


# ---- device answers and the update list ----

def make_device():
    for exchange in range(6):
        save("device", "all_ff_%d.bin" % exchange, bytes([exchange]) + b"\xff" * 4096)
        save("device", "all_00_%d.bin" % exchange, bytes([exchange]) + b"\x00" * 4096)


def make_update():
    save("update", "long_words.txt", "firmware" + "a" * 5000 + ".qrv fonts" + "b" * 5000 + ".qrv 9")
    save("update", "traversal.txt", "../../firmware.qrv\n/etc/fonts.qrv\n99\n")
    save("update", "nul_and_controls.txt", b"firm\x00ware.qrv\n\x1bfonts.qrv\n1\n")
    save("update", "version_overflow.txt", "a_firmware.qrv b_fonts.qrv 99999999999999999999\n")


if __name__ == "__main__":
    make_png()
    make_dbf()
    make_config()
    make_layout()
    make_xml()
    make_report()
    make_prepared()
    make_component()
    make_scripts()
    make_device()
    make_update()
