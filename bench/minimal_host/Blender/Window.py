def DrawProgressBar(fraction, text):
    pass
