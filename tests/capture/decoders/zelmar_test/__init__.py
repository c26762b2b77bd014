'''
A decoder for the tests only: it prints, annotates the first edge, then
raises an error whose message holds control characters and runs long.
'''

from .pd import Decoder
