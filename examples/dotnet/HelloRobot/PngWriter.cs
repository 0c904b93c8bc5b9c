using System.Buffers.Binary;
using System.IO.Compression;
using System.Text;

namespace HelloRobot;

/// <summary>
/// Writes RGB pixels as a PNG picture. The runtime has no PNG encoder on Linux, but a PNG
/// is little more than a zlib stream of the pixel rows in a few checksummed chunks.
/// </summary>
internal static class PngWriter
{
    private static readonly byte[] Signature = [0x89, (byte)'P', (byte)'N', (byte)'G', 0x0D, 0x0A, 0x1A, 0x0A];

    /// <summary>Saves <paramref name="rgb"/> (rows from the top, three bytes a pixel) to <paramref name="path"/>.</summary>
    public static void Save(string path, int width, int height, byte[] rgb)
    {
        if (width <= 0 || height <= 0 || rgb.Length != width * height * 3)
        {
            throw new ArgumentException($"{rgb.Length} bytes are not {width}x{height} RGB pixels", nameof(rgb));
        }

        using var file = File.Create(path);
        file.Write(Signature);

        var header = new byte[13];
        BinaryPrimitives.WriteInt32BigEndian(header.AsSpan(0), width);
        BinaryPrimitives.WriteInt32BigEndian(header.AsSpan(4), height);
        header[8] = 8;  // bits per channel
        header[9] = 2;  // colour type: RGB
        // compression, filter method and interlacing stay 0
        WriteChunk(file, "IHDR", header);
        WriteChunk(file, "IDAT", CompressRows(width, height, rgb));
        WriteChunk(file, "IEND", []);
    }

    // Every row is preceded by its filter type; 0 leaves the bytes as they are.
    private static byte[] CompressRows(int width, int height, byte[] rgb)
    {
        using var compressed = new MemoryStream();
        using (var zlib = new ZLibStream(compressed, CompressionLevel.Optimal, leaveOpen: true))
        {
            int rowBytes = width * 3;
            for (int row = 0; row < height; row++)
            {
                zlib.WriteByte(0);
                zlib.Write(rgb, row * rowBytes, rowBytes);
            }
        }
        return compressed.ToArray();
    }

    private static void WriteChunk(Stream file, string type, byte[] data)
    {
        Span<byte> word = stackalloc byte[4];
        BinaryPrimitives.WriteInt32BigEndian(word, data.Length);
        file.Write(word);
        byte[] typeBytes = Encoding.ASCII.GetBytes(type);
        file.Write(typeBytes);
        file.Write(data);
        uint crc = Crc32.Update(Crc32.Update(0xFFFFFFFFu, typeBytes), data) ^ 0xFFFFFFFFu;
        BinaryPrimitives.WriteUInt32BigEndian(word, crc);
        file.Write(word);
    }

    // The CRC-32 of PNG chunks (polynomial 0xEDB88320), over the chunk type and data.
    private static class Crc32
    {
        private static readonly uint[] Table = MakeTable();

        public static uint Update(uint crc, byte[] bytes)
        {
            foreach (byte b in bytes)
            {
                crc = Table[(crc ^ b) & 0xFF] ^ (crc >> 8);
            }
            return crc;
        }

        private static uint[] MakeTable()
        {
            var table = new uint[256];
            for (uint n = 0; n < 256; n++)
            {
                uint c = n;
                for (int k = 0; k < 8; k++)
                {
                    c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
                }
                table[n] = c;
            }
            return table;
        }
    }
}
