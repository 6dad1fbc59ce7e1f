qt_add_resources(glimmer_assets "tally_pictures"
    PREFIX "/"
    FILES
        tally/background.jpg
        tally/flag.png
        tally/face.png
)
