# The mine-box window's background and the board's three box pictures.
qt_add_resources(glimmer_assets "minebox_pictures"
    PREFIX "/"
    FILES
        minebox/background.jpg
        minebox/box_closed.png
        minebox/box_empty.png
        minebox/box_mine.png
)
