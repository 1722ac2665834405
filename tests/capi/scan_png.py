"""Prints the text zxing-cpp's reader finds in each PNG given (a reader only)."""
import sys

import numpy
import zxingcpp
from PIL import Image

for path in sys.argv[1:]:
    with Image.open(path) as picture:
        found = zxingcpp.read_barcode(numpy.asarray(picture.convert("L")), formats=zxingcpp.BarcodeFormat.DataMatrix)
    print(found.text if found is not None and found.valid else "")
