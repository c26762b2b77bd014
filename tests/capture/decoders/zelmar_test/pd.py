import sigrokdecode as srd

class Decoder(srd.Decoder):
    api_version = 3
    id = 'zelmar_test'
    name = 'Test'
    longname = 'Test decoder'
    desc = 'Prints, annotates the first edge, then raises an error.'
    license = 'gplv2+'
    inputs = ['logic']
    outputs = []
    tags = ['Debug/trace']
    channels = (
        {'id': 'data', 'name': 'DATA', 'desc': 'Any line'},
    )
    annotations = (
        ('edge', 'Edge'),
    )

    def reset(self):
        pass

    def start(self):
        self.out_ann = self.register(srd.OUTPUT_ANN)

    def decode(self):
        print('printed by a decoder', flush=True)
        self.wait({0: 'e'})
        self.put(self.samplenum, self.samplenum + 1, self.out_ann, [0, ['Edge']])
        raise ValueError('\x1b[31mred\x1b[0m ' + 'x' * 200)
