#include "cli/usage.h"

std::string sheetUsage() {
  return "Label sheets:\n" +
         helpItem("--sheet PAPER",
                  "write every symbol as a label of one PDF instead: with --batch one label per line of the list, "
                  "filled row by row over as many pages as they need, else TEXT alone. PAPER is a4, a5, letter, "
                  "legal or WxH with a unit (mm, cm, in or pt), e.g. 100x150mm for a roll of thermal labels, one "
                  "label a page. -o names the PDF (default output.pdf; - for standard output), not a template.") +
         helpItem("--grid COLSxROWS", "cells across and down each page, 1 to 100 each (default 1x1).") +
         helpItem("--cell WxH",
                  "the size of a cell, as the label maker prints it on the box. Without it the cells fill the page "
                  "edge to edge inside the margins (the same margin on the right and at the bottom), or are the "
                  "pitch when that is given.") +
         helpItem("--sheet-margin TOP,LEFT",
                  "from the page's top and left edges to the first cell, e.g. 15.15,7.21mm (a unit after the "
                  "second length serves both). Default 0; with --cell and no margin the grid is centred.") +
         helpItem("--pitch H,V", "from one cell's corner to the next, across and down; default the cell size.") +
         helpItem("--skip N",
                  "leave the first N cells of the first page empty, to print on a sheet that is partly used.") +
         helpItem("--caption TEMPLATE",
                  "text under each symbol: {text} is its line's text, {name} its TSV name (with --tsv), {n} its "
                  "line number; {{ and }} are braces. Shaped with HarfBuzz, in fonts found by fontconfig with a "
                  "fallback for the scripts the first font lacks (Chinese, say), embedded as subsets with their "
                  "text, so the PDF's text can be searched and copied.") +
         helpItem("--caption-side SIDE", "below (the default) or right, beside the symbol, for small wide labels.") +
         helpItem("--caption-size PT", "the caption's size in points, 1 to 144 (default 8).") +
         helpItem("--font PATTERN", "the caption's font as a fontconfig pattern (default sans-serif).") +
         helpItem("--outline", "draw each cell's border, for a test print on plain paper.") +
         helpItem("--xdim fit",
                  "give each symbol the largest X-dimension that fits its cell with its quiet zone and caption; "
                  "--xdim LEN draws every symbol at LEN (0.5mm when not given), as for PDF.") +
         "\n" +
         helpParagraph("Every encodation and shape option applies to each symbol, and --fg, --bg, --invert and "
                       "--quiet-zone to its drawing: one path of rectangles, grey for black on white, RGB for "
                       "colours. A symbol or caption that does not fit its cell refuses that line (exit 65, the "
                       "message naming the size it needs), never cut or shrunk; its cell stays empty, as does an "
                       "empty line's, so line N is always in cell N and a failed label is reprinted with --skip. "
                       "The same input always gives the same bytes.");
}
