#!/usr/bin/env python3
"""Extracts data/pinyin/phrases.txt from the npm package pinyin (MIT).

Usage: npm pack pinyin@4.0.0 && tar xzf pinyin-4.0.0.tgz &&
       tools/extract_pinyin_phrases.py package/lib/cjs/pinyin.js > data/pinyin/phrases.txt
"""
import json
import re
import sys

source = open(sys.argv[1], encoding="utf-8").read()
entry = re.compile(r'^\s*"?([\u3400-\u9fff]{2,})"?:\s*(\[\[.*?\]\]),?\s*$', re.M)
phrases = {}
for m in entry.finditer(source):
    try:
        readings = json.loads(m.group(2))
    except ValueError:
        continue
    if len(readings) == len(m.group(1)):
        phrases[m.group(1)] = " ".join(r[0] for r in readings)
sys.stdout.write("".join(f"{w}\t{p}\n" for w, p in sorted(phrases.items())))
