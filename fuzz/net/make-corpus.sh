#!/usr/bin/env bash
# Writes the small seed corpora of the net fuzz targets into corpus/.
set -euo pipefail
cd "$(dirname "$0")"
seed() { mkdir -p "corpus/$1"; printf '%b' "$3" > "corpus/$1/$2"; }

seed fuzz_net_json_path search 'result.songs[0].name|result.songs[0].id|result.songs.length|count\n{"result":{"songs":[{"name":"A","id":5,"artists":[{"name":"x"}]}],"songCount":1},"code":200}'
seed fuzz_net_json_path array '[1].name|[0]|["x y"].z|a.b[3].c\n[{"name":"a"},{"name":"b","x y":{"z":1.5e-7}}]'
seed fuzz_net_json_path broken 'a[|..|["\\u12\n{"a":[1,2,{"b":null}'
seed fuzz_net_cookies set-cookie 'x=1; y=2\nHTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\nSet-Cookie: y=deleted\r\nLocation: /next\r\n\r\n'
seed fuzz_net_cookies odd ' ; ;=;a\nset-cookie:;\r\nSet-Cookie: =\r\nSet-Cookie\r\n'
seed fuzz_net_charset gbk '<html><head><meta http-equiv="Content-Type" content="text/html; charset=gbk"></head>\xd6\xdc\xbd\xdc\xc2\xd7'
seed fuzz_net_charset utf8 '<META CHARSET="UTF-8"><p>\xe5\x91\xa8</p>'
seed fuzz_net_charset big5 '<meta charset=big5>\xa7\x41\xff'
seed fuzz_net_charset json '{"code":200,"data":"\xff\xfe"}'
seed fuzz_net_regex lyric '\x03[00:01.00]first\r\n[00:05.5]second\n[01:10]end'
seed fuzz_net_regex meta '\x06<meta charset="utf-8"> artist - title "url":"http://x"'
deep() { printf '%*s' "$1" '' | tr ' ' "$2"; }
mkdir -p corpus/fuzz_net_json_path
{ printf 'result.songs[0].x|result.songs\n{"result":{"songs":[{"name":"n","id":"1","artists":[{"name":"z"}],"x":/*"*/'
  deep 1000000 '['; deep 1000000 ']'; printf '/*"*/}]}}'; } > corpus/fuzz_net_json_path/comment-quote-deep
{ printf '[0]\n//"\n'; deep 100000 '['; deep 100000 ']'; } > corpus/fuzz_net_json_path/line-comment-deep
{ printf '[0]\n["]]]]",/* [[[[ " */'; deep 300 '['; deep 300 ']'; printf ']'; } > corpus/fuzz_net_json_path/string-brackets-deep
