# The dice game window: its background and the winner badge.
qt_add_resources(glimmer_assets "dice_pictures"
    PREFIX "/"
    FILES
        dice/background.jpg
        dice/badge.jpg
)
