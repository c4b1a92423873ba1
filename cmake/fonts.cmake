# The fonts the program depends on: metafiles and rich-text pages name Windows
# families (Arial, Times New Roman, Courier New, Calibri, Cambria), whose
# metric twins these packages hold (src/book/WindowsFonts maps the names), and
# DejaVu for everything else. The Debian package depends on them, and the tests
# see only these.
set(TIRVELO_FONT_PACKAGES fonts-dejavu-core fonts-liberation2 fonts-crosextra-carlito fonts-crosextra-caladea)
