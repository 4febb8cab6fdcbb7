#!/usr/bin/perl
# Rewrites a zip archive in place so that nothing in it depends on who packed
# it, or where:
#   - of the extra fields, only the extended timestamp (0x5455, "UT") stays:
#     libarchive gives every entry an Info-ZIP "ux" field (0x7875) with the
#     packer's user and group IDs, and other packers add others of the kind;
#   - the MS-DOS date and time of each entry, which libarchive takes in the
#     packer's time zone, are the entry's UT modification time in UTC.
# The file data, compressed, and everything else are copied as they are.
# Written with Perl's built-ins alone, which every Debian system has.
#
#   perl normalize_zip.pl ARCHIVE.zip
use strict;
use warnings;

my $path = shift @ARGV;
die "usage: normalize_zip.pl ARCHIVE.zip\n" unless defined $path && !@ARGV;
sub bad { die "normalize_zip.pl: $path: $_[0]\n" }

open(my $in, '<:raw', $path) or bad("cannot read: $!");
my $zip = do { local $/; <$in> };
close $in;

# The end of central directory record is the last thing in the file; only a
# comment, of at most 65535 bytes, may follow it.
my $eocd = rindex($zip, "PK\x05\x06");
bad("no end of central directory record") if $eocd < 0 || length($zip) - $eocd < 22;
my ($disk, $cd_disk, $disk_entries, $entries, $cd_size, $cd_offset, $comment_length) =
    unpack('v v v v V V v', substr($zip, $eocd + 4, 18));
bad("a comment runs past the end") if $eocd + 22 + $comment_length != length $zip;
bad("spans more than one disk") if $disk != 0 || $cd_disk != 0 || $disk_entries != $entries;
bad("is a Zip64 archive, which this does not rewrite")
    if $entries == 0xFFFF || $cd_size == 0xFFFFFFFF || $cd_offset == 0xFFFFFFFF;
bad("central directory out of place") if $cd_offset + $cd_size != $eocd;

# Keeps the extended timestamp and drops every other subfield; returns the
# extra field that is left and the UT modification time, if there is one.
sub keep_timestamp {
    my ($extra, $where) = @_;
    my ($kept, $mtime) = ('', undef);
    my $at = 0;
    while ($at < length $extra) {
        bad("$where: an extra field is cut short") if $at + 4 > length $extra;
        my ($id, $size) = unpack('v v', substr($extra, $at, 4));
        bad("$where: an extra field runs past its end") if $at + 4 + $size > length $extra;
        my $data = substr($extra, $at + 4, $size);
        if ($id == 0x0001) {
            bad("$where: has a Zip64 field, which this does not rewrite");
        }
        if ($id == 0x5455) {
            $kept .= substr($extra, $at, 4 + $size);
            # Flags first; bit 0 says the modification time comes next.
            $mtime = unpack('V', substr($data, 1, 4)) if $size >= 5 && (ord($data) & 1);
        }
        $at += 4 + $size;
    }
    return ($kept, $mtime);
}

# MS-DOS time and date of a Unix time, in UTC, to the even second below.
sub dos_time_date {
    my ($sec, $min, $hour, $mday, $mon, $year) = gmtime shift;
    bad("a time before 1980 has no MS-DOS form") if $year < 80;
    return (($hour << 11) | ($min << 5) | ($sec >> 1), (($year - 80) << 9) | (($mon + 1) << 5) | $mday);
}

# Every entry of the central directory, in its order.
my @entry;
my $at = $cd_offset;
for my $n (1 .. $entries) {
    bad("central directory entry $n is missing") if substr($zip, $at, 4) ne "PK\x01\x02";
    my ($name_length, $extra_length, $comment_len) = unpack('v v v', substr($zip, $at + 28, 6));
    my $offset = unpack('V', substr($zip, $at + 42, 4));
    my $end = $at + 46 + $name_length + $extra_length + $comment_len;
    bad("central directory entry $n runs past its end") if $end > $eocd;
    push @entry, {
        fixed   => substr($zip, $at, 46),
        name    => substr($zip, $at + 46, $name_length),
        extra   => substr($zip, $at + 46 + $name_length, $extra_length),
        comment => substr($zip, $at + 46 + $name_length + $extra_length, $comment_len),
        offset  => $offset,
    };
    $at = $end;
}
bad("central directory longer than its entries") if $at != $eocd;

# Each entry's data (with its data descriptor) runs from the end of its
# local header to the next local header, or to the central directory.
my @starts = sort { $a <=> $b } map { $_->{offset} } @entry;
bad("bytes before the first entry") if @starts && $starts[0] != 0;
my %next;
for my $i (0 .. $#starts) {
    $next{$starts[$i]} = $i < $#starts ? $starts[$i + 1] : $cd_offset;
}
bad("two entries share a local header") if keys %next != @entry;

my $out = '';
for my $e (sort { $a->{offset} <=> $b->{offset} } @entry) {
    my $local = $e->{offset};
    bad("no local header for $e->{name}") if substr($zip, $local, 4) ne "PK\x03\x04";
    my ($name_length, $extra_length) = unpack('v v', substr($zip, $local + 26, 4));
    my $data = $local + 30 + $name_length + $extra_length;
    bad("the local header of $e->{name} runs into the next entry") if $data > $next{$local};
    bad("the local header of $e->{name} names another file")
        if substr($zip, $local + 30, $name_length) ne $e->{name};
    my ($local_extra, $local_mtime) =
        keep_timestamp(substr($zip, $local + 30 + $name_length, $extra_length), "local header of $e->{name}");
    my ($central_extra, $central_mtime) = keep_timestamp($e->{extra}, "central directory entry of $e->{name}");
    my $mtime = $local_mtime // $central_mtime;

    my $header = substr($zip, $local, 30);
    my $central = $e->{fixed};
    if (defined $mtime) {
        my $dos = pack('v v', dos_time_date($mtime));
        substr($header, 10, 4) = $dos;
        substr($central, 12, 4) = $dos;
    }
    substr($header, 28, 2) = pack('v', length $local_extra);
    substr($central, 30, 2) = pack('v', length $central_extra);
    substr($central, 42, 4) = pack('V', length $out);
    $e->{rewritten} = $central . $e->{name} . $central_extra . $e->{comment};

    $out .= $header . $e->{name} . $local_extra . substr($zip, $data, $next{$local} - $data);
}
my $new_cd_offset = length $out;
$out .= $_->{rewritten} for @entry;
my $end_record = substr($zip, $eocd, 22 + $comment_length);
substr($end_record, 12, 8) = pack('V V', length($out) - $new_cd_offset, $new_cd_offset);
$out .= $end_record;

# Written beside it and renamed over it: never half an archive.
my $temporary = "$path.normalizing";
sub cannot { my $why = shift; unlink $temporary; bad($why) }
open(my $fh, '>:raw', $temporary) or cannot("cannot write $temporary: $!");
print $fh $out or cannot("cannot write $temporary: $!");
close $fh or cannot("cannot write $temporary: $!");
rename($temporary, $path) or cannot("cannot replace it: $!");
