#!/usr/bin/python3
"""Makes a deck heavy with media out of a deck of charts and pictures, for the refresh benchmark.

    make_media_deck.py IN.pptx OUT.pptx MEGABYTES

Every picture of IN (ppt/media/image*.png) becomes a picture of about the same size, already
compressed (a PNG signature followed by random bytes, which no deflate makes smaller), and a
video of a fifth of MEGABYTES (ppt/media/media1.mp4) joins the first slide that shows a picture,
related to it as the office applications relate a slide's video (a video and a media
relationship). The pictures together make up the rest of MEGABYTES. Every entry is written
deflated, as the presentation application writes its decks, the media too.
"""
import os
import random
import re
import sys
import zipfile

VIDEO_REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/video"
MEDIA_REL = "http://schemas.microsoft.com/office/2007/relationships/media"


def incompressible(size, seed):
    rng = random.Random(seed)
    return rng.randbytes(size)


def main():
    source, target, megabytes = sys.argv[1], sys.argv[2], int(sys.argv[3])
    total = megabytes * 1024 * 1024
    video_size = total // 5
    with zipfile.ZipFile(source) as zin:
        names = zin.namelist()
        pictures = [n for n in names if re.fullmatch(r"ppt/media/image\d+\.png", n)]
        if not pictures:
            sys.exit("no pictures in " + source)
        picture_size = (total - video_size) // len(pictures)
        # The first slide whose relationships name a picture carries the video.
        video_slide_rels = None
        for n in sorted(names):
            if re.fullmatch(r"ppt/slides/_rels/slide\d+\.xml\.rels", n) and b"media/image" in zin.read(n):
                video_slide_rels = n
                break
        with zipfile.ZipFile(target + ".part", "w", zipfile.ZIP_DEFLATED) as zout:
            for n in names:
                data = zin.read(n)
                if n in pictures:
                    data = b"\x89PNG\r\n\x1a\n" + incompressible(picture_size - 8, n)
                elif n == "[Content_Types].xml":
                    data = data.replace(b"<Default ", b'<Default Extension="mp4" ContentType="video/mp4"/><Default ', 1)
                elif n == video_slide_rels:
                    data = data.replace(
                        b"</Relationships>",
                        ('<Relationship Id="rIdVideo1" Type="%s" Target="../media/media1.mp4"/>'
                         '<Relationship Id="rIdMedia1" Type="%s" Target="../media/media1.mp4"/>'
                         "</Relationships>" % (VIDEO_REL, MEDIA_REL)).encode())
                zout.writestr(n, data)
            zout.writestr("ppt/media/media1.mp4", incompressible(video_size, "video"))
    os.replace(target + ".part", target)


if __name__ == "__main__":
    main()
