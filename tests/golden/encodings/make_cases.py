#!/usr/bin/env python3
"""Makes the cases of the golden suite "encodings" from UTF-8 masters.

Each master below is a record in UTF-8 with names (PB, PW), a game name, a
comment and a label; iconv(1) converts it into the encodings of its
language, once with CA naming the encoding (spelled as records spell it)
and once without CA. Each case reads the converted record with -to sgf
-short_keys: the output must give back the master's texts, in UTF-8.
Run it from anywhere; it rewrites tests/golden/cases/encodings/<case>/in
and args, and leaves expect/ to run_golden.py --update. With --check and
the program it also makes sure every output holds every text of its
master.
"""
import pathlib, re, shutil, subprocess, sys

HERE = pathlib.Path(__file__).resolve().parent
SUITE = HERE.parent / "cases" / "encodings"

RECORD = """(;FF[4]{ca}GM[1]SZ[19]
PB[{pb}]PW[{pw}]GN[{gn}]
C[{c}]
;B[pd]LB[pd:{lb}]C[{c2}]
;W[dp]
(;B[pp]C[{c3}])
(;B[dd]))
"""

# Texts per language. The Japanese ones end in characters whose second
# Shift_JIS byte is "\\" (表 能 ソ) or "]" (評 転); Big5's 許 功 蓋 and
# GBK's 嘰 have a second byte "\\" too. SGF escapes stay in the masters.
MASTERS = {
    "ja": dict(pb="本因坊秀策 表", pw="井上幻庵因碩 能", gn="評価の転換点 評",
               c="ソフトの評価表：可能性がある \\] と \\\\ も文字。転", lb="ソ",
               c2="この一手は形勢を転", c3="別の可能性 能"),
    "zh-hans": dict(pb="聂卫平", pw="马晓春", gn="中国围棋甲级联赛",
                    c="黑棋形势很好，这手是胜负手。\\]", lb="甲", c2="好手", c3="变化图"),
    "zh-gbk": dict(pb="聶衛平 嘰", pw="馬曉春 塡", gn="中國圍棋甲級聯賽",
                   c="黑棋形勢很好，這手是勝負手。嘰\\]", lb="嘰", c2="好手", c3="變化圖"),
    "zh-gb18030": dict(pb="聂卫平 𠀀", pw="马晓春 Müller", gn="中国围棋甲级联赛 €",
                       c="黑棋形势很好，这手是胜负手。𠀀 嘰", lb="甲", c2="好手", c3="变化图"),
    "zh-hant": dict(pb="林海峰 許", pw="王立誠 功", gn="名人戰 蓋",
                    c="這手棋是好棋，形勢不錯。許功蓋 \\]", lb="許", c2="好手", c3="變化圖"),
    "ko": dict(pb="이창호", pw="조훈현", gn="국수전 결승",
               c="흑이 유리하다. 좋은 수입니다. \\]", lb="가", c2="좋은 수", c3="변화도"),
    "latin": dict(pb="José Müller", pw="Åsa Ørsted", gn="Coupe d'Été",
                  c="Très bien joué, ça commence ½ \\] «ici»", lb="é", c2="naïve", c3="Größe"),
    "all": None,  # every text of the others, for UTF-8
}
MASTERS["all"] = {k: " / ".join(m[k] for n, m in MASTERS.items() if m and n != "zh-gb18030" or
                                (m and n == "zh-gb18030" and k != "lb"))
                  for k in ("pb", "pw", "gn", "c", "c2", "c3")}
MASTERS["all"]["lb"] = "表"

# case name, master, iconv name, CA as spelled in the record
ENCODINGS = [
    ("utf8", "all", "UTF-8", "UTF-8"),
    ("shift_jis", "ja", "CP932", "SJIS"),
    ("euc_jp", "ja", "EUC-JP", "EUC-JP"),
    ("gb2312", "zh-hans", "GB2312", "GB2312"),
    ("gbk", "zh-gbk", "GBK", "gbk"),
    ("gb18030", "zh-gb18030", "GB18030", "GB18030"),
    ("big5", "zh-hant", "BIG5", "Big5"),
    ("euc_kr", "ko", "EUC-KR", "euc_kr"),
    ("latin1", "latin", "ISO-8859-1", "ISO8859_1"),
]


def record(master, ca):
    return RECORD.format(ca=f"CA[{ca}]" if ca else "", **MASTERS[master])


def iconv(text, to):
    return subprocess.run(["iconv", "-f", "UTF-8", "-t", to], input=text.encode(), check=True,
                          capture_output=True).stdout


def case(name, args, files):
    d = SUITE / name
    if (d / "in").exists():
        shutil.rmtree(d / "in")
    (d / "in").mkdir(parents=True)
    for file, data in files.items():
        (d / "in" / file).write_bytes(data)
    (d / "args").write_text("".join(a + "\n" for a in args))


def make():
    for name, master, to, ca in ENCODINGS:
        case(f"{name}_ca", ["-to", "sgf", "-short_keys", "game.sgf"], {"game.sgf": iconv(record(master, ca), to)})
        case(f"{name}_no_ca", ["-to", "sgf", "-short_keys", "game.sgf"], {"game.sgf": iconv(record(master, None), to)})
    sjis = lambda ca: iconv(record("ja", ca), "CP932")
    # -encoding over a CA that is wrong; a wrong CA alone is believed.
    case("option_over_wrong_ca", ["-encoding", "Shift_JIS", "-to", "sgf", "-short_keys", "game.sgf"],
         {"game.sgf": sjis("ISO-8859-1")})
    case("wrong_ca_believed", ["-to", "sgf", "-short_keys", "game.sgf"], {"game.sgf": sjis("ISO-8859-1")})
    # CA found after a value whose last character ends in "\\".
    case("ca_after_backslash_byte", ["-to", "sgf", "-short_keys", "game.sgf"],
         {"game.sgf": iconv("(;PB[表]PW[能]CA[shift-jis]C[ソ]\n;B[aa])\n", "CP932")})
    # Bytes that decode to nothing: U+FFFD and one warning.
    case("sjis_bad_bytes", ["-to", "sgf", "-short_keys", "game.sgf"],
         {"game.sgf": iconv("(;CA[CP932]PB[表]C[", "CP932") + b"\x81\x20 \xa0\xff " +
                      iconv("ソ]\n;B[aa]C[", "CP932") + b"\x85\x5c]\n)\n"})
    case("utf8_bad_bytes", ["-to", "sgf", "-short_keys", "game.sgf"],
         {"game.sgf": "(;CA[UTF-8]PB[表]C[".encode() + b"\xe8\xa1 \xc0\xaf \xff" + "ソ]\n;B[aa])\n".encode()})
    # UTF-8 text under an old CA is read as UTF-8; an ASCII one keeps its CA.
    case("utf8_under_old_ca", ["-to", "sgf", "-short_keys", "game.sgf"],
         {"game.sgf": record("ja", "SJIS").encode()})
    case("ascii_keeps_ca", ["-to", "sgf", "-short_keys", "game.sgf"],
         {"game.sgf": b"(;CA[ISO-8859-1]PB[Shusaku]C[plain]\n;B[aa])\n"})
    case("unknown_ca", ["-to", "sgf", "-short_keys", "game.sgf"],
         {"game.sgf": iconv("(;CA[klingon]PB[Müller]\n;B[aa])\n", "ISO-8859-1")})
    # A collection: every game by its own CA.
    case("collection_each_by_its_ca", ["-game", "all", "-to", "sgf", "-short_keys", "games.sgf"],
         {"games.sgf": sjis("SJIS") + iconv(record("zh-hant", "BIG5"), "BIG5") +
                       iconv(record("latin", None), "ISO-8859-1") + record("ko", "UTF-8").encode()})
    case("collection_second_game", ["-game", "2", "-to", "sgf", "-short_keys", "games.sgf"],
         {"games.sgf": sjis("SJIS") + iconv(record("zh-hans", "GB2312"), "GB2312")})
    # Drawn as text: the texts in UTF-8; a wide label fills its point's two
    # columns, a caption of wide characters is centred by its columns.
    case("shift_jis_to_ascii", ["-to", "ascii", "game.sgf"], {"game.sgf": sjis("SJIS")})
    case("wide_label_and_caption_ascii", ["-to", "ascii", "game.sgf"],
         {"game.sgf": iconv("(;CA[SJIS]SZ[9];B[ee]LB[cc:表][gg:A][cg:α][gc:Ａ](;W[ge]N[黒の変化図 ソ])(;W[eg]))", "CP932")})
    # The standard format and Tavolin's companion text under -encoding.
    case("sf_encoding_option", ["-from", "sf", "-encoding", "sjis", "-to", "sgf", "-short_keys", "game.sf"],
         {"game.sf": iconv("B 1 Q16\nCOM\n可能性の評価表 ソ \\ 転\nEnd of the game, black wins\nW 2 C3\n", "CP932")})
    tav = (HERE.parent / "cases" / "tavolin" / "companion_lines" / "in" / "g.tav").read_bytes()
    case("tavolin_encoding_option", ["-from", "tavolin", "-encoding", "EUC-KR", "-to", "sgf", "-short_keys", "g.tav"],
         {"g.tav": tav, "g.txt": iconv("이창호\n조훈현\n2\n6.5\n1995\n서울\nB+R\n좋은 수\n변화도\n", "EUC-KR")})


def check(binary):
    bad = 0
    for name, master, to, ca in ENCODINGS:
        for suffix in ("_ca", "_no_ca"):
            d = SUITE / (name + suffix)
            out = subprocess.run([binary, "-to", "sgf", "-short_keys", "game.sgf"], cwd=d / "in",
                                 capture_output=True).stdout.decode("utf-8", "replace")
            for key, text in MASTERS[master].items():
                want = text.replace("\\\\", "\\").replace("\\]", "]")
                values = [v.replace("\\\n", "").replace("\\\\", "\\").replace("\\]", "]")
                          for v in re.findall(r"\[((?:[^\]\\]|\\.)*)\]", out, re.S)]
                # Long comments come back in pieces, a line each.
                squeeze = lambda t: re.sub(r"\s+", "", t)
                if not any(squeeze(want) in squeeze(v) for v in values):
                    print(f"{name}{suffix}: {key} {want!r} not in the output")
                    bad += 1
    print("every text given back" if not bad else f"{bad} texts lost")
    return bad == 0


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--check":
        sys.exit(0 if check(sys.argv[2]) else 1)
    make()
